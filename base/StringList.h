// An ordered list of texts that decides for itself which texts are equal: without
// regard to ASCII letter case unless CaseSensitive is set. Duplicates are kept.
#pragma once

#include "base/Text.h"

#include <string>
#include <string_view>
#include <vector>

namespace maskaddr {

class TStringList {
public:
    std::vector<std::string> Items;
    bool CaseSensitive = false;

    int Count() const { return static_cast<int>(Items.size()); }
    const std::string& operator[](int index) const { return Items[static_cast<size_t>(index)]; }
    void Add(std::string text) { Items.push_back(std::move(text)); }
    void Clear() { Items.clear(); }

    // Position of the first equal text, or -1.
    int IndexOf(std::string_view text) const {
        for (size_t i = 0; i < Items.size(); ++i)
            if (CaseSensitive ? Items[i] == text : SameText(Items[i], text)) return static_cast<int>(i);
        return -1;
    }
};

} // namespace maskaddr
