#include "forms/hooks.h"

namespace forms {

void ApplyBrowsePick(int16_t, int16_t, int16_t) {}
std::string BrowseLineText(int16_t) {
    return {};
}
int16_t BrowseStartKey(int16_t, std::string& key, std::string& prefix) {
    key.clear();
    prefix.clear();
    return 0;
}

} // namespace forms
