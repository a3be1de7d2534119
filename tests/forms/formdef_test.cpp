#include "forms_fixture.h"

#include <fstream>

using namespace formstest;
using forms::FormFileFault;

namespace {

// Form 1 with five fields, form 2 with one, and k browse lines: the smallest definition the
// program accepts. Extra lines are put in where a test needs them.
std::vector<std::string> MinimalDefinition() {
    return {
        "2,5",
        "\"d,1b\",5,0,0,0,0,0",
        "1,1,\"Mes: \",8,0,0,0,1,0,",
        "2,1,\"Finca: \",3,0,0,0,2,1,",
        "2,20,\"pis: \",3,0,0,0,2,0,",
        "3,1,\"Fins: \",3,0,0,0,2,1,",
        "3,20,\"pis: \",3,0,0,0,2,0,",
        "\"d\",1,0,0,0,0,0",
        "1,1,\"S/N: \",1,0,0,0,0,0,",
        "1",
        "506,0,4,15,21,66,0,\"Finques\",0",
    };
}

class FormDefinitionTest : public FormsTest {};

TEST_F(FormDefinitionTest, ReadsTheFixtureInstallationFile) {
    const std::string bytes =
        testsupport::ReadFile(ORB_SOURCE_DIR "/tests/forms/fixtures/ORBICADE.APN");
    forms::FormDefinitionRecord def;
    forms::FormFileError error;
    ASSERT_EQ(forms::ReadFormDefinition(
                  bytes, [](std::string_view t) { return std::string(t); }, def, error),
              0)
        << "line " << error.line << " item " << error.item;
    ASSERT_EQ(def.forms.size(), 3u);
    EXPECT_EQ(def.forms[1].keys, "d,1b,4800,5000,4900,5100,3e00");
    EXPECT_EQ(def.forms[1].fieldCount, 6);
    EXPECT_EQ(def.forms[1].fields[1].label, "Mes del llistat: ");
    EXPECT_EQ(def.forms[1].fields[1].length, 8);
    EXPECT_EQ(def.forms[1].fields[5].browse, 3);
    EXPECT_EQ(def.forms[2].fields[1].label, "Confirmeu el llistat (S/N): ");
    ASSERT_EQ(def.browses.size(), 4u);
    EXPECT_EQ(def.browses[2].file, 507);
    EXPECT_EQ(def.browses[1].heading, "N\xA3m  Adre\x87"
                                      "a de la finca");
}

// The item rules: quotes keep blanks and commas, comments are skipped where a step starts,
// and what follows the last announced list is not read.
TEST_F(FormDefinitionTest, ItemRules) {
    std::vector<std::string> lines = MinimalDefinition();
    lines.insert(lines.begin() + 1, "   ' an indented comment before the first form line");
    lines[3] = "1,1,\"  Mes: \",8,0,0,0,1,0,\"|1,One, two|2,Three\"";
    lines[4] = "2,1,  Finca: ,3,0,0,0,2,1,";
    lines.push_back("this text is not part of the definition,\"and never read");
    forms::FormDefinitionRecord def;
    const forms::FormFileError error = Read(lines, def);
    ASSERT_EQ(error.fault, FormFileFault::None) << "line " << error.line << " item " << error.item;
    EXPECT_EQ(def.forms[1].fields[1].label, "  Mes: ");
    EXPECT_EQ(def.forms[1].fields[2].label, "Finca: ");
    EXPECT_EQ(def.forms[1].fields[1].choices, "|1,One, two|2,Three");
    EXPECT_EQ(def.forms[1].fields[1].value, "        ");
}

TEST_F(FormDefinitionTest, LastLineWithoutLineEndAfterAComment) {
    // A comment check on the last line of a file without a final line end goes back to the
    // start of that line, not two bytes before it.
    std::string bytes;
    for (const std::string& l : MinimalDefinition())
        bytes += l + "\r\n";
    bytes.erase(bytes.size() - 2); // the browse line ends the file without CR LF
    forms::FormDefinitionRecord def;
    forms::FormFileError error;
    ASSERT_EQ(forms::ReadFormDefinition(
                  bytes, [](std::string_view t) { return std::string(t); }, def, error),
              0);
    EXPECT_EQ(def.browses[1].file, 506);
    EXPECT_EQ(def.browses[1].heading, "Finques");
}

// Each malformed file is refused with its fault and the line and item where it shows.
TEST_F(FormDefinitionTest, MalformedFilesNameLineAndItem) {
    struct Case {
        const char* what;
        int line;                // line to change (0-based in MinimalDefinition), -1 none
        const char* replacement; // new text of that line
        int cut;                 // lines kept from the end of the definition; -1 all
        FormFileFault fault;
        int32_t faultLine;
        int16_t faultItem;
    };
    const Case cases[] = {
        {"field count above the field slots", 1, "\"d,1b\",6,0,0,0,0,0", -1,
         FormFileFault::BadValue, 2, 2},
        {"continuation form that does not exist", 1, "\"d,1b\",5,3,0,0,0,0", -1,
         FormFileFault::BadValue, 2, 3},
        {"list that does not exist", 3, "2,1,\"Finca: \",3,0,0,0,2,2,", -1, FormFileFault::BadValue,
         4, 9},
        {"filter form that does not exist", 10, "506,0,4,15,21,66,7,\"Finques\",0", -1,
         FormFileFault::BadValue, 11, 7},
        {"nested list that does not exist", 10, "506,0,4,15,21,66,0,\"Finques\",2", -1,
         FormFileFault::BadValue, 11, 9},
        {"only one form", 0, "1,5", 7, FormFileFault::BadValue, 1, 1},
        {"a letter in a number", 4, "2,20,\"pis: \",3x,0,0,0,2,0,", -1, FormFileFault::NotNumber, 5,
         4},
        {"a number beyond 16 bits", 4, "2,20,\"pis: \",40000,0,0,0,2,0,", -1,
         FormFileFault::BadValue, 5, 4},
        {"a negative length", 4, "2,20,\"pis: \",-3,0,0,0,2,0,", -1, FormFileFault::BadValue, 5, 4},
        {"ends inside a form block", -1, nullptr, 6, FormFileFault::EndsEarly, 7, 1},
        {"ends after a complete step: accepted", 9, "1", 10, FormFileFault::None, 0, 0},
        {"browse count 0 followed by a line", 9, "0", -1, FormFileFault::BadValue, 11, 1},
    };
    for (const Case& c : cases) {
        std::vector<std::string> lines = MinimalDefinition();
        if (c.line >= 0) lines[static_cast<size_t>(c.line)] = c.replacement;
        if (c.cut >= 0) lines.resize(static_cast<size_t>(c.cut));
        forms::FormDefinitionRecord def;
        const forms::FormFileError error = Read(lines, def);
        EXPECT_EQ(error.fault, c.fault) << c.what;
        EXPECT_EQ(error.line, c.faultLine) << c.what;
        EXPECT_EQ(error.item, c.faultItem) << c.what;
    }
}

TEST_F(FormDefinitionTest, Form1NeedsFiveFields) {
    std::vector<std::string> lines = MinimalDefinition();
    lines[1] = "\"d,1b\",4,0,0,0,0,0";
    lines.erase(lines.begin() + 6);
    forms::FormDefinitionRecord def;
    const forms::FormFileError error = Read(lines, def);
    EXPECT_EQ(error.fault, FormFileFault::BadValue);
    EXPECT_EQ(error.line, 2);
    EXPECT_EQ(error.item, 2);
}

TEST_F(FormDefinitionTest, UnclosedQuoteAndTrailingCommentsEndEarly) {
    std::vector<std::string> lines = MinimalDefinition();
    lines[10] = "506,0,4,15,21,66,0,\"Finques,0";
    forms::FormDefinitionRecord def;
    EXPECT_EQ(Read(lines, def).fault, FormFileFault::EndsEarly);

    // Comment lines at the end of the file where a step still has to be read.
    lines = MinimalDefinition();
    lines.resize(9);
    lines.push_back("' lists follow");
    EXPECT_EQ(Read(lines, def).fault, FormFileFault::EndsEarly);
}

TEST_F(FormDefinitionTest, LoadTranslatesTextsAndPresetsForm1) {
    // Spanish session: labels, choice lists and headings go through the language file; the
    // key list does not.
    app::SessionSettings.language = "SPA";
    std::vector<std::string> lines = MinimalDefinition();
    lines[1] = "\"d,1b,Mes: \",5,0,0,0,0,0";
    lines[3] = "2,1,\"Finca: \",2,0,0,0,2,1,\"|A,Finques\"";
    lines[5] = "3,1,\"Fins: \",2,0,0,0,2,1,";
    std::string bytes;
    for (const std::string& l : lines)
        bytes += l + "\r\n";
    dir_.Write("FORMS/ORBICADE.APN", bytes);
    dir_.Write("LOCALE/ORBICADE.LNG", "\"Mes: \",\"Mes G: \",\"Mes O: \",\"Mes del listado: \"\r\n"
                                      "\"|A,Finques\",,,\"|A,Fincas\"\r\n"
                                      "Finques,,,Fincas\r\n");
    ASSERT_EQ(forms::LoadFormDefinition(), 0);
    EXPECT_EQ(forms::Field(1, 1).label, "Mes del listado: ");
    EXPECT_EQ(forms::Field(1, 2).choices, "|A,Fincas");
    EXPECT_EQ(forms::FormDefinition.browses[1].heading, "Fincas");
    EXPECT_EQ(forms::Form(1).keys, "d,1b,Mes: ");
    // Presets, cut or filled to each field's length.
    EXPECT_EQ(forms::Field(1, 1).value, "150324  ");
    EXPECT_EQ(forms::Field(1, 2).value, "1 ");
    EXPECT_EQ(forms::Field(1, 3).value, "0  ");
    EXPECT_EQ(forms::Field(1, 4).value, "99");
    EXPECT_EQ(forms::Field(1, 5).value, "999");
    EXPECT_EQ(forms::Field(2, 1).value, " ");
}

// A missing or malformed file: a message box naming the file and the fault, in the session
// language; a key press closes it and the load reports failure.
TEST_F(FormDefinitionTest, RefusedFileShowsMessageInSessionLanguage) {
    struct Case {
        const char* language;
        bool write;
        const char* expected;
    };
    const Case cases[] = {
        {"CAT", false, "FORMS\\ORBICADE.APN: NO ES POT LLEGIR. PREMEU UNA TECLA."},
        {"SPA", true,
         "FORMS\\ORBICADE.APN, L\xD6NEA 2, ELEMENTO 2: VALOR NO V\xB5LIDO. PULSE UNA TECLA."},
        {"GLG", true,
         "LI\xA5"
         "A 2, ELEMENTO 2: VALOR NON V\xB5LIDO. PREMA UNHA TECLA."},
        {"OCI", true,
         "LINHA 2, ELEMENT 2: VALOR NON VALID. PREMETZ UNA T\xD4"
         "CLA."},
    };
    app::SessionSettings.rootDir = "R\\";
    ASSERT_TRUE(platform::ChangeDirectory(dir_.Path()));
    for (const Case& c : cases) {
        app::SessionSettings.language = c.language;
        if (c.write) {
            std::vector<std::string> lines = MinimalDefinition();
            lines[1] = "\"d,1b\",9,0,0,0,0,0";
            std::string bytes;
            for (const std::string& l : lines)
                bytes += l + "\r\n";
            dir_.Write("R/FORMS/ORBICADE.APN", bytes);
        }
        const std::string message = forms::FormFileMessage(forms::FormDefinitionPath(), [&] {
            forms::FormDefinitionRecord def;
            forms::FormFileError error;
            if (!c.write) {
                error.fault = FormFileFault::CannotRead;
                return error;
            }
            std::ifstream in(dir_.Path() + "R/FORMS/ORBICADE.APN", std::ios::binary);
            std::string bytes((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
            forms::ReadFormDefinition(
                bytes, [](std::string_view t) { return std::string(t); }, def, error);
            return error;
        }());
        EXPECT_NE(message.find(c.expected), std::string::npos) << c.language << ": " << message;

        // The load shows it and waits for a key: a key typed before the message is dropped,
        // and a mouse click does not close it.
        Queue({Key('y')});
        platform::SetIdleHandler([] {
            platform::SetIdleHandler(NoMoreInput);
            Queue({Click(1, 1), Key('x')});
        });
        EXPECT_EQ(forms::LoadFormDefinition(), -1);
        EXPECT_FALSE(platform::PeekInput());
        EXPECT_EQ(screen::Windows.depth, 0);
        EXPECT_TRUE(forms::FormDefinition.forms.empty());
    }
}

} // namespace
