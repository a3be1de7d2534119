#include "print/printmessages.h"

#include "platform/codepage.h"
#include "platform/console.h"
#include "platform/terminal.h"
#include "screen/keys.h"
#include "screen/message.h"
#include "screen/windows.h"

#include <array>
#include <cstdio>
#include <termios.h>
#include <unistd.h>

namespace print {

namespace {

// One row per message: Catalan, Spanish, Galician, Occitan (code page 850 bytes).
using Texts = std::array<const char*, 4>;

const Texts& TextsOf(PrintMessage message) {
    static const Texts kCannotRead = {"No es pot llegir el fitxer d'impressi\xa2 ",
                                      "No se puede leer el fichero de impresi\xa2n ",
                                      "Non se pode ler o ficheiro de impresi\xa2n ",
                                      "Non se p\x95t l\x82ger eth fich\x8ar d'impression "};
    static const Texts kMalformed = {"El fitxer d'impressi\xa2 no \x82s correcte a la l\xa1nia ",
                                     "El fichero de impresi\xa2n no es correcto en la l\xa1nea ",
                                     "O ficheiro de impresi\xa2n non \x82 correcto na li\xa4"
                                     "a ",
                                     "Eth fich\x8ar d'impression non ei corr\x8a"
                                     "cte ena linha "};
    static const Texts kNothing = {"El llistat no t\x82 cap p\x85gina per imprimir.",
                                   "El listado no tiene ninguna p\xa0gina para imprimir.",
                                   "A listaxe non ten ningunha p\xa0xina para imprimir.",
                                   "Era lista non a cap de p\x85gina ent\x85 imprimir."};
    static const Texts kCannotWrite = {"No es pot escriure ", "No se puede escribir ",
                                       "Non se pode escribir ", "Non se p\x95t escr\xa1uer "};
    static const Texts kSame = {
        "La sortida no pot ser el mateix fitxer d'impressi\xa2: ",
        "La salida no puede ser el mismo fichero de impresi\xa2n: ",
        "A sa\xa1"
        "da non pode ser o mesmo ficheiro de impresi\xa2n: ",
        "Era sortida non p\x95t \x82sser eth madeish fich\x8ar d'impression: "};
    static const Texts kSaved = {"Llistat desat a ", "Listado guardado en ", "Listaxe gardada en ",
                                 "Lista enregistrada en "};
    static const Texts kPrinterFailed = {
        "La impressora no ha acceptat el llistat: ", "La impresora no ha aceptado el listado: ",
        "A impresora non aceptou a listaxe: ", "Era imprimidora non a acceptat era lista: "};
    static const Texts kSent = {
        "Llistat enviat a la impressora ", "Listado enviado a la impresora ",
        "Listaxe enviada \xa0 impresora ", "Lista enviada ara imprimidora "};
    static const Texts kPages = {"P\x85gines: ", "P\xa0ginas: ", "P\xa0xinas: ", "P\x85gines: "};
    static const Texts kPressKey = {"Premeu una tecla", "Pulse una tecla", "Prema unha tecla",
                                    "Premetz ua tecla"};
    static const Texts kPreviewPage = {"P\x85gina", "P\xa0gina", "P\xa0xina", "P\x85gina"};
    static const Texts kPreviewLine = {"L\xa1nia", "L\xa1nea",
                                       "Li\xa4"
                                       "a",
                                       "Linha"};
    static const Texts kPreviewColumn = {"Columna", "Columna", "Columna", "Colomna"};
    static const Texts kPreviewLeave = {"Esc: sortir", "Esc: salir", "Esc: sa\xa1r", "Esc: sortir"};
    switch (message) {
    case PrintMessage::CannotRead:
        return kCannotRead;
    case PrintMessage::Malformed:
        return kMalformed;
    case PrintMessage::NothingToPrint:
        return kNothing;
    case PrintMessage::CannotWrite:
        return kCannotWrite;
    case PrintMessage::SameAsPrintFile:
        return kSame;
    case PrintMessage::Saved:
        return kSaved;
    case PrintMessage::PrinterFailed:
        return kPrinterFailed;
    case PrintMessage::Sent:
        return kSent;
    case PrintMessage::Pages:
        return kPages;
    case PrintMessage::PreviewPage:
        return kPreviewPage;
    case PrintMessage::PreviewLine:
        return kPreviewLine;
    case PrintMessage::PreviewColumn:
        return kPreviewColumn;
    case PrintMessage::PreviewLeave:
        return kPreviewLeave;
    case PrintMessage::PressKey:
        break;
    }
    return kPressKey;
}

size_t LanguageIndex(std::string_view language) {
    if (language == "SPA") return 1;
    if (language == "GLG") return 2;
    if (language == "OCI") return 3;
    return 0;
}

} // namespace

std::string MessageText(PrintMessage message, std::string_view language, std::string_view detail) {
    return std::string(TextsOf(message)[LanguageIndex(language)]) + std::string(detail);
}

void WaitForKey() {
    if (!::isatty(STDIN_FILENO)) return;
    termios saved{};
    if (::tcgetattr(STDIN_FILENO, &saved) != 0) return;
    termios raw = saved;
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    ::tcsetattr(STDIN_FILENO, TCSANOW, &raw);
    // A blocking read: the key arrives without the processor being kept busy.
    char keys[16];
    [[maybe_unused]] ssize_t got = ::read(STDIN_FILENO, keys, sizeof keys);
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
}

namespace {

// Without a terminal for the message box, the lines go to the standard output.
void WriteAndWait(std::string_view lines, std::string_view language) {
    std::string out = platform::Cp850ToUtf8(lines);
    if (::isatty(STDIN_FILENO))
        out += "\n" + platform::Cp850ToUtf8(MessageText(PrintMessage::PressKey, language));
    out += "\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fflush(stdout);
    WaitForKey();
}

} // namespace

void ShowAndWait(std::string_view lines, std::string_view language) {
    const bool started = !platform::TerminalActive() && platform::StartTerminal();
    if (!platform::TerminalActive()) {
        WriteAndWait(lines, language);
        return;
    }
    // The message box holds one paragraph: the lines follow each other, then the key prompt.
    std::string text;
    size_t start = 0;
    while (start <= lines.size()) {
        size_t end = lines.find('\n', start);
        if (end == std::string_view::npos) end = lines.size();
        std::string_view piece = lines.substr(start, end - start);
        while (!piece.empty() && (piece.back() == ' ' || piece.back() == '\r'))
            piece.remove_suffix(1);
        if (!piece.empty()) text += (text.empty() ? "" : "  ") + std::string(piece);
        start = end + 1;
    }
    text += "  " + MessageText(PrintMessage::PressKey, language);
    screen::ShowMessage(12, text);
    platform::FlushConsole();
    screen::KeyCode key = screen::kKeyNone;
    while (key == screen::kKeyNone || key == screen::kKeyMouse)
        key = screen::TakeKeyCode();
    screen::PopWindow();
    if (started) platform::EndTerminal();
}

} // namespace print
