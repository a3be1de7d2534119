#include "print/printdevices.h"

#include "platform/codepage.h"
#include "platform/system.h"

#include <algorithm>
#include <cairo-ft.h>
#include <cairo-pdf.h>
#include <cairo.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace print {

namespace {

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

std::string Upper(std::string_view s) {
    std::string u(s);
    for (char& c : u)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return u;
}

bool EndsWith(std::string_view s, std::string_view suffix) {
    return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

// A4 in points, and the margin left blank around the text.
constexpr double kA4Short = 595.28;
constexpr double kA4Long = 841.89;
constexpr double kMargin = 28.35; // 10 mm
// Pages up to this many columns fit upright; wider pages are printed across the sheet.
constexpr int32_t kPortraitColumns = 96;

// Where the monospaced font is installed on the usual distributions.
constexpr const char* kFontFiles[] = {
    "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf",
    "/usr/share/fonts/TTF/DejaVuSansMono.ttf",
    "/usr/share/fonts/dejavu/DejaVuSansMono.ttf",
    "/usr/share/fonts/dejavu-sans-mono-fonts/DejaVuSansMono.ttf",
};

// The font of the PDF, loaded from its file so that every page gets exactly this font (a
// font looked up by name may be replaced by one whose characters are not all of one width).
struct PdfFont {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    cairo_font_face_t* cairoFace = nullptr;

    PdfFont() {
        if (FT_Init_FreeType(&library) != 0) {
            library = nullptr;
            return;
        }
        for (const char* file : kFontFiles) {
            if (FT_New_Face(library, file, 0, &face) == 0) break;
            face = nullptr;
        }
        if (face) cairoFace = cairo_ft_font_face_create_for_ft_face(face, 0);
    }
    // Called after every cairo object that uses the face is gone.
    ~PdfFont() {
        if (cairoFace) cairo_font_face_destroy(cairoFace);
        // Frees cairo's font caches, which still point at the face.
        cairo_debug_reset_static_data();
        if (face) FT_Done_Face(face);
        if (library) FT_Done_FreeType(library);
    }
    PdfFont(const PdfFont&) = delete;
    PdfFont& operator=(const PdfFont&) = delete;
};

} // namespace

Device ChooseDevice(std::string_view deviceLine, PrinterCheck isPrinter) {
    std::string_view name = TrimBlanks(deviceLine);
    const std::string upper = Upper(name);
    if (upper.empty() || upper == "CON" || upper == "CON:" || upper == "PANTALLA" ||
        upper == "SCREEN")
        return {DeviceKind::Screen, ""};
    if (upper == "PRN" || upper == "PRN:" || upper == "LPT1" || upper == "LPT2" ||
        upper == "LPT3" || upper == "LPT1:" || upper == "LPT2:" || upper == "LPT3:")
        return {DeviceKind::Printer, ""};
    if (upper.substr(0, 3) == "LP:")
        return {DeviceKind::Printer, std::string(TrimBlanks(name.substr(3)))};
    if (EndsWith(upper, ".PDF")) return {DeviceKind::PdfFile, std::string(name)};
    const bool bare = name.find_first_of("/\\.:") == std::string_view::npos;
    if (bare && isPrinter && isPrinter(name)) return {DeviceKind::Printer, std::string(name)};
    return {DeviceKind::TextFile, std::string(name)};
}

int RunProgram(const std::vector<std::string>& arguments, std::string& output) {
    output.clear();
    if (arguments.empty()) return -1;
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDERR_FILENO);
    std::vector<char*> argv;
    for (const std::string& a : arguments)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    int started = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);
    if (started != 0) {
        ::close(pipeEnds[0]);
        output = arguments[0] + ": " + std::strerror(started);
        return -1;
    }
    char buffer[4096];
    ssize_t got;
    while ((got = ::read(pipeEnds[0], buffer, sizeof buffer)) != 0) {
        if (got < 0) {
            if (errno == EINTR) continue;
            break;
        }
        output.append(buffer, static_cast<size_t>(got));
    }
    ::close(pipeEnds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

bool IsKnownPrinter(std::string_view name) {
    std::string output;
    return RunProgram({"lpstat", "-p", std::string(name)}, output) == 0;
}

std::string RenderText(const std::vector<LaidOutPage>& pages) {
    std::string out;
    for (size_t p = 0; p < pages.size(); ++p) {
        if (p > 0) out += '\f';
        int32_t next = 0;
        for (const LaidOutLine& line : pages[p].lines) {
            out.append(static_cast<size_t>(line.line - next), '\n');
            out += platform::Cp850ToUtf8(line.text);
            out += '\n';
            next = line.line + 1;
        }
    }
    return out;
}

int16_t WriteTextFile(const std::vector<LaidOutPage>& pages, std::string_view systemPath) {
    platform::FileHandle file = platform::OpenCreate(systemPath);
    if (!file) return 1;
    const std::string text = RenderText(pages);
    if (std::fwrite(text.data(), 1, text.size(), file.get()) != text.size()) return 1;
    return std::fflush(file.get()) == 0 ? 0 : 1;
}

int16_t WritePdf(const std::vector<LaidOutPage>& pages, std::string_view systemPath) {
    const std::string path = platform::NativePath(systemPath);
    PdfFont font;
    cairo_surface_t* surface = cairo_pdf_surface_create(path.c_str(), kA4Short, kA4Long);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return 1;
    }
    cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_CREATOR, "ZAZIRIVI");
    cairo_t* cr = cairo_create(surface);
    if (font.cairoFace)
        cairo_set_font_face(cr, font.cairoFace);
    else
        cairo_select_font_face(cr, "DejaVu Sans Mono", CAIRO_FONT_SLANT_NORMAL,
                               CAIRO_FONT_WEIGHT_NORMAL);
    // The advance of one character at size 1: every character of a monospaced font has it.
    cairo_set_font_size(cr, 1.0);
    cairo_text_extents_t one{};
    cairo_text_extents(cr, "0", &one);
    const double advance = one.x_advance > 0 ? one.x_advance : 0.6;

    for (const LaidOutPage& page : pages) {
        const bool landscape = page.width > kPortraitColumns;
        const double sheetWidth = landscape ? kA4Long : kA4Short;
        const double sheetHeight = landscape ? kA4Short : kA4Long;
        cairo_pdf_surface_set_size(surface, sheetWidth, sheetHeight);

        const int32_t rows = std::max<int32_t>(PageLineCount(page), 1);
        const double rowHeight = (sheetHeight - 2 * kMargin) / rows;
        const double cellWidth = (sheetWidth - 2 * kMargin) / std::max<int32_t>(page.width, 1);
        const double size = std::min(cellWidth / advance, rowHeight / 1.15);
        cairo_set_font_size(cr, size);
        cairo_set_source_rgb(cr, 0, 0, 0);
        for (const LaidOutLine& line : page.lines) {
            // Baseline in the lower part of the line's row, leaving room for descenders.
            cairo_move_to(cr, kMargin, kMargin + line.line * rowHeight + rowHeight * 0.8);
            cairo_show_text(cr, platform::Cp850ToUtf8(line.text).c_str());
        }
        cairo_show_page(cr);
    }
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    const bool ok = cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    return ok ? 0 : 1;
}

int16_t SendToPrinter(const std::vector<LaidOutPage>& pages, std::string_view printer,
                      std::string& output) {
    output.clear();
    const char* tmp = std::getenv("TMPDIR");
    std::string name = std::string(tmp && *tmp ? tmp : "/tmp") + "/zazirivi-XXXXXX.pdf";
    int fd = ::mkstemps(name.data(), 4);
    if (fd < 0) {
        output = name + ": " + std::strerror(errno);
        return 1;
    }
    ::close(fd);
    int16_t status = 1;
    if (WritePdf(pages, name) != 0) {
        output = name;
    } else {
        std::vector<std::string> command = {"lp"};
        if (!printer.empty()) command.insert(command.end(), {"-d", std::string(printer)});
        command.push_back(name);
        status = RunProgram(command, output) == 0 ? 0 : 1;
    }
    ::unlink(name.c_str());
    return status;
}

} // namespace print
