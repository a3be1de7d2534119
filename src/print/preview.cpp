#include "print/preview.h"

#include "print/printdevices.h"
#include "print/printmessages.h"

#include <cstdio>

namespace print {

// Until the full-screen viewer is in place, the pages go to the terminal as text and the
// operator leaves with a key press.
void RunPreview(const std::vector<LaidOutPage>& pages, std::string_view language) {
    const std::string text = RenderText(pages);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
    ShowAndWait(MessageText(PrintMessage::Pages, language, std::to_string(pages.size())), language);
}

} // namespace print
