// Any bytes as a form definition file. An accepted definition must hold together: every
// form's field table matches its count, every value has its field's length and every
// reference names an existing form or list; drawing every form on the headless console must
// stay within its tables.
#include "app/session.h"
#include "forms/formdef.h"
#include "forms/formloop.h"
#include "platform/console.h"
#include "screen/colours.h"
#include "screen/windows.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

std::string Same(std::string_view text) {
    return std::string(text);
}

void Check(bool ok) {
    if (!ok) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    forms::FormDefinitionRecord def;
    forms::FormFileError error;
    const int16_t result = forms::ReadFormDefinition(bytes, Same, def, error);
    if (result != 0) {
        Check(error.fault != forms::FormFileFault::None);
        return 0;
    }
    Check(def.forms.size() >= 3 && def.forms[1].fieldCount >= 5 && !def.browses.empty());
    const size_t n = def.forms.size() - 1, k = def.browses.size() - 1;
    for (size_t f = 1; f <= n; ++f) {
        const forms::FormRecord& form = def.forms[f];
        Check(form.fieldCount >= 0 && form.fieldCount <= def.maxFields);
        Check(form.fields.size() == static_cast<size_t>(form.fieldCount) + 1 ||
              form.fieldCount == 0);
        Check(form.nextForm >= 0 && static_cast<size_t>(form.nextForm) <= n);
        for (int16_t j = 1; j <= form.fieldCount; ++j) {
            const forms::FieldRecord& field = form.fields[static_cast<size_t>(j)];
            Check(field.value.size() == static_cast<size_t>(field.length));
            Check(field.browse >= 0 && static_cast<size_t>(field.browse) <= k);
        }
    }
    for (size_t b = 1; b <= k; ++b) {
        Check(def.browses[b].filterForm >= 0 &&
              static_cast<size_t>(def.browses[b].filterForm) <= n);
        Check(def.browses[b].f4Browse >= 0 && static_cast<size_t>(def.browses[b].f4Browse) <= k);
    }

    // Draw the first forms as the form loop does.
    platform::ResetConsoleForTests();
    screen::ResetColoursForTests();
    screen::ResetWindowsForTests();
    app::SessionSettings.colours = app::ParseColourText(app::kDefaultColourText);
    app::SessionSettings.title = " T ";
    forms::FormDefinition = std::move(def);
    for (int16_t f = 1; f <= static_cast<int16_t>(std::min<size_t>(n, 8)); ++f)
        forms::DrawForm(f);
    forms::FormDefinition = forms::FormDefinitionRecord{};
    return 0;
}
