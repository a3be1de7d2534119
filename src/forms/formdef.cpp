#include "forms/formdef.h"

#include "app/session.h"
#include "app/translate.h"
#include "platform/system.h"
#include "screen/keys.h"
#include "screen/message.h"
#include "screen/windows.h"
#include "text/dateformat.h"

#include <cmath>
#include <cstdio>

namespace forms {

namespace {

// Reads the items of a form definition file one after another, keeping track of the line and
// the item of the line where each item starts, for the error message.
struct ItemReader {
    std::string_view data;
    size_t pos = 0;
    // Line counting: lines up to `countedTo` have been counted into `line`.
    size_t countedTo = 0;
    int32_t line = 1;
    int32_t itemLine = 0; // where the last item started
    int16_t itemIndex = 0;
    FormFileError* error = nullptr;

    // Byte 26 ends a text file as well as its real end.
    bool AtEnd() const { return pos >= data.size() || data[pos] == '\x1A'; }

    int32_t LineAt(size_t at) {
        if (at < countedTo) { // moved back: count again from the start
            countedTo = 0;
            line = 1;
        }
        for (; countedTo < at && countedTo < data.size(); ++countedTo)
            if (data[countedTo] == '\n') ++line;
        return line;
    }

    void NoteItemStart() {
        const int32_t l = LineAt(pos);
        if (l != itemLine) {
            itemLine = l;
            itemIndex = 0;
        }
        if (itemIndex < INT16_MAX) ++itemIndex;
    }

    int16_t Fail(FormFileFault fault) {
        if (error->fault == FormFileFault::None) {
            error->fault = fault;
            error->line = itemLine;
            error->item = itemIndex;
        }
        return -1;
    }

    // Skips comment lines: lines whose first character after leading blanks is an apostrophe.
    // The first line that is not one is read again by the step that follows.
    void SkipComments() {
        while (!AtEnd()) {
            const size_t start = pos;
            size_t p = pos;
            while (p < data.size() && data[p] == ' ')
                ++p;
            const bool comment = p < data.size() && data[p] == '\'';
            while (p < data.size() && data[p] != '\r' && data[p] != '\n')
                ++p;
            if (p < data.size() && data[p] == '\r') ++p;
            if (p < data.size() && data[p] == '\n') ++p;
            if (!comment) {
                pos = start; // back to the remembered start of the line
                return;
            }
            pos = p;
        }
    }

    // After an item: a comma, or a line end (CR and one LF after it).
    void SkipSeparator() {
        if (pos >= data.size()) return;
        if (data[pos] == ',') {
            ++pos;
        } else if (data[pos] == '\r') {
            ++pos;
            if (pos < data.size() && data[pos] == '\n') ++pos;
        }
    }

    // One item as text. Blanks (and dropped tabs and LFs) before it are skipped; a quoted item
    // runs to its closing quote, an unquoted one to the next comma or line end without its
    // tabs and LFs. -1 when the file ends before the item (or inside its quotes).
    int16_t Text(std::string& out) {
        out.clear();
        while (pos < data.size() && (data[pos] == ' ' || data[pos] == '\t' || data[pos] == '\n'))
            ++pos;
        NoteItemStart();
        if (AtEnd()) return Fail(FormFileFault::EndsEarly);
        if (data[pos] == '"') {
            const size_t close = data.find('"', pos + 1);
            if (close == std::string_view::npos) return Fail(FormFileFault::EndsEarly);
            out.assign(data.substr(pos + 1, close - pos - 1));
            pos = close + 1;
            // Whatever stands between the closing quote and the separator is not part of it.
            while (pos < data.size() && data[pos] != ',' && data[pos] != '\r')
                ++pos;
        } else {
            while (pos < data.size() && data[pos] != ',' && data[pos] != '\r') {
                if (data[pos] != '\t' && data[pos] != '\n') out += data[pos];
                ++pos;
            }
        }
        SkipSeparator();
        return 0;
    }

    // One number item, rounded to a whole number in 16 bits. An empty item is 0.
    int16_t Number(int16_t& out, int16_t lowest = INT16_MIN) {
        std::string t;
        if (Text(t) != 0) return -1;
        size_t a = t.find_first_not_of(' ');
        size_t b = t.find_last_not_of(' ');
        out = 0;
        if (a == std::string::npos) return lowest <= 0 ? 0 : Fail(FormFileFault::BadValue);
        const std::string digits = t.substr(a, b - a + 1);
        size_t i = 0;
        if (digits[i] == '+' || digits[i] == '-') ++i;
        bool any = false, point = false;
        for (; i < digits.size(); ++i) {
            if (digits[i] >= '0' && digits[i] <= '9') {
                any = true;
            } else if (digits[i] == '.' && !point) {
                point = true;
            } else {
                return Fail(FormFileFault::NotNumber);
            }
        }
        if (!any) return Fail(FormFileFault::NotNumber);
        const double v = std::nearbyint(std::strtod(digits.c_str(), nullptr));
        if (!(v >= lowest && v <= INT16_MAX)) return Fail(FormFileFault::BadValue);
        out = static_cast<int16_t>(v);
        return 0;
    }
};

// A number read from the file that names a form or a list, checked once the tables are known.
struct Reference {
    int16_t value;
    bool toForm; // else to a list
    int32_t line;
    int16_t item;
};

} // namespace

int16_t ReadFormDefinition(std::string_view bytes, TranslateFunction translate,
                           FormDefinitionRecord& def, FormFileError& error) {
    def = FormDefinitionRecord{};
    error = FormFileError{};
    ItemReader in;
    in.data = bytes;
    in.error = &error;
    std::vector<Reference> references;
    auto reference = [&](int16_t value, bool toForm) {
        references.push_back({value, toForm, in.itemLine, in.itemIndex});
    };
    int32_t form1CountLine = 0;
    int16_t form1CountItem = 0;
    int32_t headerLine = 0;

    enum { kHeader, kForms, kBrowseCount, kBrowseLines, kDone } step = kHeader;
    int16_t n = 0, f = 0, k = 0, b = 0;
    std::string text;
    while (step != kDone && !in.AtEnd()) {
        in.SkipComments();
        switch (step) {
        case kHeader:
            if (in.Number(n, 1) != 0) return -1;
            headerLine = in.itemLine;
            if (in.Number(def.maxFields, 0) != 0) return -1;
            def.forms.resize(static_cast<size_t>(n) + 1);
            step = kForms;
            break;
        case kForms: {
            FormRecord& form = def.forms[static_cast<size_t>(++f)];
            if (in.Text(form.keys) != 0) return -1;
            if (in.Number(form.fieldCount, 0) != 0) return -1;
            if (form.fieldCount > def.maxFields) return in.Fail(FormFileFault::BadValue);
            if (f == 1) {
                form1CountLine = in.itemLine;
                form1CountItem = in.itemIndex;
            }
            if (in.Number(form.nextForm, 0) != 0) return -1;
            reference(form.nextForm, true);
            if (in.Number(form.top) || in.Number(form.left) || in.Number(form.bottom) ||
                in.Number(form.right))
                return -1;
            form.fields.resize(static_cast<size_t>(form.fieldCount) + 1);
            for (int16_t j = 1; j <= form.fieldCount; ++j) {
                FieldRecord& field = form.fields[static_cast<size_t>(j)];
                if (in.Number(field.row) || in.Number(field.column) || in.Text(field.label) ||
                    in.Number(field.length, 0) || in.Number(field.width, 0) ||
                    in.Number(field.trailer, 0) || in.Number(field.flags) || in.Number(field.type))
                    return -1;
                if (in.Number(field.browse, 0) != 0) return -1;
                reference(field.browse, false);
                if (in.Text(field.choices) != 0) return -1;
                field.value.assign(static_cast<size_t>(field.length), ' ');
                field.label = translate(field.label);
                field.choices = translate(field.choices);
            }
            if (f == n) step = kBrowseCount;
            break;
        }
        case kBrowseCount:
            if (in.Number(k, 0) != 0) return -1;
            def.browses.resize(static_cast<size_t>(k) + 1);
            step = kBrowseLines;
            break;
        case kBrowseLines: {
            if (b == k) { // lines after a browse count of 0
                in.NoteItemStart();
                return in.Fail(FormFileFault::BadValue);
            }
            BrowseRecord& browse = def.browses[static_cast<size_t>(++b)];
            if (in.Number(browse.file) || in.Number(browse.keyNumber) || in.Number(browse.top) ||
                in.Number(browse.left) || in.Number(browse.bottom) || in.Number(browse.right))
                return -1;
            if (in.Number(browse.filterForm, 0) != 0) return -1;
            reference(browse.filterForm, true);
            if (in.Text(browse.heading) != 0) return -1;
            if (in.Number(browse.f4Browse, 0) != 0) return -1;
            reference(browse.f4Browse, false);
            browse.heading = translate(browse.heading);
            if (b == k) step = kDone;
            break;
        }
        case kDone:
            break;
        }
    }

    // What the rest of the program relies on.
    if (def.forms.empty()) {
        in.NoteItemStart();
        return in.Fail(FormFileFault::EndsEarly);
    }
    if (n < 2) {
        error = {FormFileFault::BadValue, headerLine, 1};
        return -1;
    }
    if (form1CountLine == 0) {
        in.NoteItemStart();
        return in.Fail(FormFileFault::EndsEarly);
    }
    if (def.forms[1].fieldCount < 5) {
        error = {FormFileFault::BadValue, form1CountLine, form1CountItem};
        return -1;
    }
    if (def.browses.empty()) def.browses.resize(1);
    const size_t browseCount = def.browses.size() - 1;
    for (const Reference& r : references) {
        const size_t limit = r.toForm ? static_cast<size_t>(n) : browseCount;
        if (static_cast<size_t>(r.value) > limit) {
            error = {FormFileFault::BadValue, r.line, r.item};
            return -1;
        }
    }
    return 0;
}

std::string FormDefinitionPath() {
    return app::SessionSettings.rootDir + "FORMS\\" + app::SessionSettings.programName + ".APN";
}

std::string FormFileMessage(std::string_view path, const FormFileError& error) {
    struct Texts {
        const char* file;
        const char* line;
        const char* item;
        const char* cannotRead;
        const char* endsEarly;
        const char* notNumber;
        const char* badValue;
        const char* pressKey;
    };
    // Catalan, Spanish, Galician and Occitan, in code page 850.
    static const Texts kCatalan = {"FITXER DE FORMULARIS INCORRECTE: ",
                                   "L\xD6NIA ",
                                   "ELEMENT ",
                                   "NO ES POT LLEGIR",
                                   "S'ACABA ABANS D'HORA",
                                   "HI HAURIA D'HAVER UN N\xE9MERO",
                                   "VALOR NO V\xB7LID",
                                   "PREMEU UNA TECLA."};
    static const Texts kSpanish = {"FICHERO DE FORMULARIOS INCORRECTO: ",
                                   "L\xD6NEA ",
                                   "ELEMENTO ",
                                   "NO SE PUEDE LEER",
                                   "TERMINA ANTES DE TIEMPO",
                                   "DEBER\xD6"
                                   "A HABER UN N\xE9MERO",
                                   "VALOR NO V\xB5LIDO",
                                   "PULSE UNA TECLA."};
    static const Texts kGalician = {"FICHEIRO DE FORMULARIOS INCORRECTO: ",
                                    "LI\xA5"
                                    "A ",
                                    "ELEMENTO ",
                                    "NON SE PODE LER",
                                    "REMATA ANTES DE TEMPO",
                                    "DEBER\xD6"
                                    "A HABER UN N\xE9MERO",
                                    "VALOR NON V\xB5LIDO",
                                    "PREMA UNHA TECLA."};
    static const Texts kOccitan = {"FICH\xD4R DE FORMULARIS INCORR\xD4"
                                   "CTE: ",
                                   "LINHA ",
                                   "ELEMENT ",
                                   "NON SE P\xE3T LEGIR",
                                   "S'ACABE ABANS D'ORA",
                                   "I AURIE D'AUER UN NUM\xD4RO",
                                   "VALOR NON VALID",
                                   "PREMETZ UNA T\xD4"
                                   "CLA."};
    const std::string& language = app::SessionSettings.language;
    const Texts& t = language == "SPA"   ? kSpanish
                     : language == "GLG" ? kGalician
                     : language == "OCI" ? kOccitan
                                         : kCatalan;
    std::string message = t.file;
    message += path;
    if (error.line > 0)
        message += std::string(", ") + t.line + std::to_string(error.line) + ", " + t.item +
                   std::to_string(error.item);
    message += ": ";
    switch (error.fault) {
    case FormFileFault::CannotRead:
        message += t.cannotRead;
        break;
    case FormFileFault::EndsEarly:
        message += t.endsEarly;
        break;
    case FormFileFault::NotNumber:
        message += t.notNumber;
        break;
    default:
        message += t.badValue;
        break;
    }
    message += ". ";
    message += t.pressKey;
    return message;
}

int16_t LoadFormDefinition() {
    const std::string path = FormDefinitionPath();
    FormFileError error;
    int16_t result = -1;
    if (platform::FileHandle file = platform::OpenShared(path)) {
        std::string bytes;
        char buffer[8192];
        size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0)
            bytes.append(buffer, got);
        if (std::ferror(file.get()))
            error.fault = FormFileFault::CannotRead;
        else
            result = ReadFormDefinition(bytes, app::TranslateText, FormDefinition, error);
    } else {
        error.fault = FormFileFault::CannotRead;
    }
    if (result != 0) {
        FormDefinition = FormDefinitionRecord{};
        screen::ShowMessageUntilKey(12, FormFileMessage(path, error));
        return -1;
    }
    // Form 1's starting values: the month of the listing and the whole range of flats.
    const char* presets[] = {nullptr, "1", "0", "999", "999"};
    SetFieldValue(Field(1, 1), text::DateToEntryText(app::SessionSettings.workingDate));
    for (int16_t j = 2; j <= 5; ++j)
        SetFieldValue(Field(1, j), presets[j - 1]);
    return 0;
}

FormRecord& Form(int16_t form) {
    return FormDefinition.forms[static_cast<size_t>(form)];
}

FieldRecord& Field(int16_t form, int16_t field) {
    return Form(form).fields[static_cast<size_t>(field)];
}

bool FormExists(int16_t form) {
    return form >= 1 && static_cast<size_t>(form) < FormDefinition.forms.size();
}

bool FieldExists(int16_t form, int16_t field) {
    return FormExists(form) && field >= 1 && field <= Form(form).fieldCount &&
           static_cast<size_t>(field) < Form(form).fields.size();
}

std::string FitText(std::string_view text, int16_t length) {
    std::string out(text.substr(0, static_cast<size_t>(std::max<int16_t>(length, 0))));
    out.resize(static_cast<size_t>(std::max<int16_t>(length, 0)), ' ');
    return out;
}

void SetFieldValue(FieldRecord& field, std::string_view text) {
    field.value = FitText(text, field.length);
}

} // namespace forms
