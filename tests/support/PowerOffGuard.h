// Every test program that can reach the power-off request links
// PowerOffGuard.cpp, which puts a counter in the request's place before
// main() runs: no test can power anything off, and a test can see whether
// it would have.
#pragma once

namespace velvaro::test {

// How often this process has asked to power the machine off.
int PowerOffRequests();

}  // namespace velvaro::test
