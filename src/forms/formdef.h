// The form definition: the parameter screens of the program, read once at start-up from the
// form definition file FORMS\<program>.APN below the installation root, with their labels,
// choice lists and list headings translated into the session language.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace forms {

// Field flags, added together in FieldRecord::flags.
inline constexpr int16_t kStartBlank = 1;  // editing starts blank; left blank keeps the value
inline constexpr int16_t kMasked = 2;      // as StartBlank, shown as X while edited, never shown
inline constexpr int16_t kDisplayOnly = 4; // shown, never edited; movement passes over it
inline constexpr int16_t kCursorAtEnd = 8; // the cursor starts after the last non-blank

// Field types; any other value is a text field.
inline constexpr int16_t kDateField = 1;
inline constexpr int16_t kNumberField = 2;

struct FieldRecord {
    int16_t row = 0;    // inside the form's window (screen row without a window)
    int16_t column = 0; // where the label starts; the value follows the label
    std::string label;
    int16_t length = 0;  // characters of the value
    int16_t width = 0;   // 0: one line; else lines of this many characters
    int16_t trailer = 0; // columns after the value that belong to the field
    int16_t flags = 0;
    int16_t type = 0;
    int16_t browse = 0;  // the list F4 opens; 0 none
    std::string choices; // ChoiceList; empty: free text
    std::string value;   // always exactly `length` characters
};

struct FormRecord {
    std::string keys; // KeyList of the keys that end a field of this form
    int16_t fieldCount = 0;
    int16_t nextForm = 0;                             // the form that continues this one; 0 none
    int16_t top = 0, left = 0, bottom = 0, right = 0; // window corners; top 0: no window
    std::vector<FieldRecord> fields;                  // slots 1..maxFields; slot 0 unused
};

struct BrowseRecord {
    int16_t file = 0; // data file number; 0 or less: no data file
    int16_t keyNumber = 0;
    int16_t top = 0, left = 0, bottom = 0, right = 0;
    int16_t filterForm = 0;
    std::string heading;
    int16_t f4Browse = 0;
};

struct FormDefinitionRecord {
    std::vector<FormRecord> forms; // 1..n; slot 0 unused
    int16_t maxFields = 0;
    std::vector<BrowseRecord> browses; // 1..k; slot 0 unused
};

// The form definition of the run.
inline FormDefinitionRecord FormDefinition;

// Why a form definition file was refused.
enum class FormFileFault : int16_t {
    None = 0,
    CannotRead, // missing or unreadable
    EndsEarly,  // the file ends inside a reading step (or inside a quoted item)
    NotNumber,  // a number item holds something else
    BadValue,   // a number out of range, or a reference to a form or list that does not exist
};

struct FormFileError {
    FormFileFault fault = FormFileFault::None;
    int32_t line = 0; // line of the file (from 1) where the faulty item starts; 0 unknown
    int16_t item = 0; // item of that line (from 1)
};

// Translates a text of the file into the session language.
using TranslateFunction = std::string (*)(std::string_view);

// Reads a form definition from the bytes of a file into `definition`, translating labels,
// choice lists and headings with `translate` and giving every field a blank value. Returns 0,
// or -1 with `error` telling what was wrong and where. A definition that is read completely
// also has its references checked: continuation forms, lists, filter forms and nested lists
// exist, no form has more fields than the field slots, form 1 has five fields and form 2 exists.
int16_t ReadFormDefinition(std::string_view bytes, TranslateFunction translate,
                           FormDefinitionRecord& definition, FormFileError& error);

// The path of the form definition file: rootDir + "FORMS\" + programName + ".APN".
std::string FormDefinitionPath();

// Reads the form definition file into FormDefinition and presets form 1 (the working date,
// "1", "0", "999", "999"). When the file is missing or malformed it shows a message naming
// the file and the fault in the session language, waits for a key and returns -1: the program
// cannot run and ends. 0 when loaded.
int16_t LoadFormDefinition();

// The message for a refused form definition file, in the session language (CP850).
std::string FormFileMessage(std::string_view path, const FormFileError& error);

// Field access by form and field number (both from 1); the caller keeps within the tables.
FieldRecord& Field(int16_t form, int16_t field);
FormRecord& Form(int16_t form);
// Whether the form number (and field number) names a slot of the definition.
bool FormExists(int16_t form);
bool FieldExists(int16_t form, int16_t field);

// Assigns a field value keeping the field's length: left-aligned, blank-filled, cut.
void SetFieldValue(FieldRecord& field, std::string_view text);
// The text left-aligned in a text of the given length: blank-filled or cut.
std::string FitText(std::string_view text, int16_t length);

} // namespace forms
