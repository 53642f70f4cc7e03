#include "CStreamSelector.h"

#include <atomic>

namespace {

std::atomic<int> liveSelectors{0};

}  // namespace

CStreamSelector::CStreamSelector(std::string name, std::shared_ptr<IAMStreamSelect> streamSelect,
                                 std::unique_ptr<CStreamSelector> next)
    : number(++liveSelectors),
      next(std::move(next)),
      name(std::move(name).substr(0, 255)),
      streamSelect(std::move(streamSelect)) {}

CStreamSelector::~CStreamSelector() {
    --liveSelectors;
}
