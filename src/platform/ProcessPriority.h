// Process priority classes as nice values: idle 19, normal 0, high -10,
// real time -20. Raising the priority needs privileges (CAP_SYS_NICE or a
// matching RLIMIT_NICE); without them the change is refused silently. Note
// that an unprivileged process cannot come back from idle to normal either.
#pragma once

// `priorityClass` as the settings keep it: 0 idle, 1 normal, 2 high, 3 real
// time. Sets every thread of the process to the class's nice value; threads made
// later inherit it from their creator. Any other `priorityClass` leaves the
// priority as it is. True when every thread took the new value.
bool SetProcessPriorityClass(int priorityClass);
