#include "print/printrun.h"

#include "app/session.h"
#include "forms/formloop.h"
#include "platform/console.h"
#include "platform/process.h"
#include "print/printfile.h"
#include "report/listing.h"
#include "screen/colours.h"
#include "screen/keys.h"
#include "screen/message.h"

namespace print {

std::vector<std::string> PrintProgramCommand() {
    return {app::SessionSettings.programDir + "ZAZIRIVI"};
}

std::string PrintFileFailureText() {
    return app::ByLanguage("NO ES POT ESCRIURE EL FITXER D'IMPRESSI\xE0 ",
                           "NO SE PUEDE ESCRIBIR EL FICHERO DE IMPRESI\xE0N ",
                           "NON SE PODE ESCRIBIR O FICHEIRO DE IMPRESI\xE0N ",
                           "NON SE P\xE3T ESCRIURE ETH FICH\xD4R D'IMPRESSION ") +
           PrintFilePath();
}

std::string PrintProgramFailureText() {
    return app::ByLanguage("NO ES POT EXECUTAR EL PROGRAMA D'IMPRESSI\xE0 ",
                           "NO SE PUEDE EJECUTAR EL PROGRAMA DE IMPRESI\xE0N ",
                           "NON SE PODE EXECUTAR O PROGRAMA DE IMPRESI\xE0N ",
                           "NON SE P\xE3T EXECUTAR ETH PROGRAMA D'IMPRESSION ") +
           PrintProgramCommand().front();
}

void RunPrintLoop() {
    screen::SetColour("n");
    platform::ClearScreen();
    for (;;) {
        screen::KeyCode key = 0;
        forms::RunForm(1, key);
        if (key == screen::kKeyEsc) return;
        // A print file that cannot be written would hand the previous listing to the print
        // program as if it were this one: no listing and no print program then.
        if (OpenPrintFile(app::SessionSettings.outputDevice) != 0) {
            screen::ShowMessageUntilKey(12, PrintFileFailureText());
            continue;
        }
        report::PrintExpiryListing();
        ClosePrintFile();
        // The print program finds the print file itself; the form comes back when it ends.
        if (!platform::RunProcess(PrintProgramCommand()))
            screen::ShowMessageUntilKey(12, PrintProgramFailureText());
    }
}

} // namespace print
