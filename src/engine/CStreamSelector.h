// One filter that offers stream selection, in the file engine's list of
// them (newest first). Nodes are numbered by the count of live nodes.
#pragma once

#include "engine/Framework.h"

#include <memory>
#include <string>

class CStreamSelector {
public:
    CStreamSelector(std::string name, std::shared_ptr<IAMStreamSelect> streamSelect,
                    std::unique_ptr<CStreamSelector> next);
    ~CStreamSelector();
    CStreamSelector(const CStreamSelector&) = delete;
    CStreamSelector& operator=(const CStreamSelector&) = delete;

    int GetNumber() const { return number; }
    const std::string& GetName() const { return name; }
    IAMStreamSelect* GetStreamSelect() const { return streamSelect.get(); }
    CStreamSelector* GetNext() const { return next.get(); }

private:
    int number;
    std::unique_ptr<CStreamSelector> next;
    std::string name;
    std::shared_ptr<IAMStreamSelect> streamSelect;
};
