// ZAZIRIVI: the suite's print program. Prints, previews or saves the print file of the session.
#include "print/printprogram.h"

int main() {
    return print::RunPrintProgram();
}
