// fuzz_console: a byte string as keys typed into an open console - characters, the special keys
// that edit the line, Enter - with commands registered that read their arguments the way the
// engine's do (strtok over the rest of the line), and lines added, pinned, changed and removed
// in between. The input line is followed by a model of the editing, and after every key the
// console must be consistent: terminated texts, the cursor on the line, unique line ids.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/keys.h"
#include "fuzz_input.h"
#include "text/console.h"
#include "text/font.h"

namespace {

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

vh_console* g_con = nullptr; // the console being typed into
int g_runs = 0;              // commands that ran

const char* NextWord() {
    return std::strtok(nullptr, " \t\n");
}

void Say(const char* text) {
    CON_AddLine(*g_con, text);
}

// SAY WORD...: the remaining words joined into one line.
void SayCommand(const char* word) {
    Check(word && std::strlen(word) < CON_WORD_SIZE);
    ++g_runs;
    std::string line;
    for (const char* w; (w = NextWord());) {
        Check(std::strlen(w) < CON_INPUT_SIZE);
        line += w;
        line += ' ';
    }
    Say(line.c_str());
}

// SPEED X: one number, checked as the engine's speed command checks it.
void SpeedCommand(const char*) {
    ++g_runs;
    const char* text = NextWord();
    char* end = nullptr;
    const double value = text ? std::strtod(text, &end) : 0.0;
    char line[CON_LINE_SIZE];
    if (!text || *end != '\0' || !(value >= 0.1 && value <= 10.0))
        std::snprintf(line, sizeof line, "speed: give a number from 0.1 to 10");
    else
        std::snprintf(line, sizeof line, "Demo time runs at %g times the clock", value);
    Say(line);
}

// GOTO NAME: a name looked up in a table, the table listed when it is not there.
void GotoCommand(const char*) {
    ++g_runs;
    static const char* const parts[] = {"intro1", "scene1", "intro2", "scene2", "intro3", "scene3", "credits"};
    const char* name = NextWord();
    char line[CON_LINE_SIZE];
    for (const char* p : parts)
        if (name && !strcasecmp(p, name)) {
            std::snprintf(line, sizeof line, "going to %s", p);
            Say(line);
            return;
        }
    std::snprintf(line, sizeof line, "goto: %s is not a part (intro1|scene1|intro2|scene2|intro3|scene3|credits)",
                  name ? name : "nothing");
    Say(line);
}

void KeysCommand(const char*) {
    ++g_runs;
    CON_SetKeepKeys(*g_con, !CON_KeepsKeys(*g_con));
}

// The line as the console should hold it after the same keys.
struct LineModel {
    std::string text;
    int cursor = 0;
    bool overwrite = false;

    void Type(int c) {
        const int length = static_cast<int>(text.size());
        const char up = static_cast<char>(std::toupper(c));
        if (overwrite && cursor < length) {
            text[cursor++] = up;
        } else if (length < CON_INPUT_SIZE - 1) {
            text.insert(text.begin() + cursor++, up);
        }
    }
};

void CheckConsole(const vh_console& con, const LineModel& model) {
    Check(std::memchr(con.input, 0, CON_INPUT_SIZE) != nullptr);
    Check(con.input == model.text && con.cursor == model.cursor && con.overwrite == model.overwrite);
    Check(con.cursorX == con.cursor * (FNT_GetWidth(con.font) + 1));
    Check(std::memchr(con.commandWord, 0, CON_WORD_SIZE) != nullptr);
    for (int i = 0; i < CON_LINE_COUNT; ++i) {
        const CON_Line& a = con.lines[i];
        Check(std::memchr(a.text, 0, CON_LINE_SIZE) != nullptr);
        if (a.id == -1) continue;
        Check(a.id > 0 && a.id < con.nextId);
        for (int j = i + 1; j < CON_LINE_COUNT; ++j)
            Check(con.lines[j].id != a.id);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 4096) return 0;
    vh_console con;
    g_con = &con;
    g_runs = 0;
    CON_AddCommand(con, SayCommand, "say");
    CON_AddCommand(con, SpeedCommand, "speed");
    CON_AddCommand(con, GotoCommand, "goto");
    CON_AddCommand(con, KeysCommand, "keys");
    CON_AddCommand(con, nullptr, "nothing");
    CON_AddCommand(con, SayCommand, "a_name_longer_than_a_command_word_can_hold");
    CON_Toggle(con);
    LineModel model;
    FuzzInput in(data, size);
    int ids[8] = {};
    while (!in.Empty()) {
        const Uint8 b = in.U8();
        switch (b) {
        case 0xF0:
            CON_SpecialKey(con, VH_SPECIAL_LEFT);
            if (model.cursor > 0) --model.cursor;
            break;
        case 0xF1:
            CON_SpecialKey(con, VH_SPECIAL_RIGHT);
            if (model.cursor < static_cast<int>(model.text.size())) ++model.cursor;
            break;
        case 0xF2:
            CON_SpecialKey(con, VH_SPECIAL_HOME);
            model.cursor = 0;
            break;
        case 0xF3:
            CON_SpecialKey(con, VH_SPECIAL_END);
            while (!model.text.empty() && std::isspace(static_cast<unsigned char>(model.text.back())))
                model.text.pop_back();
            model.cursor = static_cast<int>(model.text.size());
            break;
        case 0xF4:
            CON_SpecialKey(con, VH_SPECIAL_INSERT);
            model.overwrite = !model.overwrite;
            break;
        case 0xF5: // any other special code, or a key code beyond a byte: the line stays
            CON_SpecialKey(con, 200 + in.U8());
            CON_Key(con, static_cast<std::int16_t>(in.U16()) | 0x100);
            break;
        case 0xF6: // closed, nothing reaches the line; open again
            CON_Toggle(con);
            CON_Key(con, 'x');
            CON_SpecialKey(con, VH_SPECIAL_HOME);
            CON_Toggle(con);
            break;
        case 0xF7:
            CON_Update(con, in.U8() * 0.01);
            break;
        case 0xF8: { // a line of any bytes, plain or pinned
            const std::string text = in.Text(in.U8());
            const int id = in.U8() & 1 ? CON_AddPinnedLine(con, text.c_str()) : (CON_AddLine(con, text.c_str()), 0);
            if (id > 0) ids[id % 8] = id;
            break;
        }
        case 0xF9:
            CON_RemoveLine(con, ids[in.U8() % 8]);
            break;
        case 0xFA: {
            const std::string text = in.Text(in.U8());
            CON_SetLineText(con, text.c_str(), ids[in.U8() % 8]);
            break;
        }
        case 0xFC: { // the scroll-back: any step, or the page keys, then what it would draw
            const int step = static_cast<std::int16_t>(in.U16());
            if (step == 0x7FFF)
                CON_SpecialKey(con, VH_SPECIAL_PAGE_UP);
            else if (step == -0x8000)
                CON_SpecialKey(con, VH_SPECIAL_PAGE_DOWN);
            else
                CON_ScrollView(con, step);
            CON_ShownLine shown[CON_LINE_COUNT];
            const int n = CON_ScrollBackView(con, shown);
            Check(n >= 0 && n <= CON_LINE_COUNT && (n > 0) == con.scrolledBack);
            for (int i = 0; i < n; ++i)
                Check(std::memchr(shown[i].text, 0, CON_LINE_SIZE) != nullptr && shown[i].colour != nullptr);
            Check(con.historyTotal >= 0 &&
                  (con.historyTotal == 0 ||
                   std::memchr(con.history[(con.historyTotal - 1) % CON_HISTORY_COUNT].text, 0, CON_LINE_SIZE)));
            break;
        }
        case 0xFB: {
            char status[96];
            const Uint8 room = in.U8() % sizeof status + 1;
            CON_StatusText(con, status, room);
            Check(std::strlen(status) < room);
            break;
        }
        default: {
            const int runs = g_runs;
            CON_Key(con, b);
            if (b == VH_KEY_BACKSPACE) {
                if (model.cursor > 0) model.text.erase(--model.cursor, 1);
            } else if (b == VH_KEY_ENTER) {
                model.text.clear();
                model.cursor = 0;
                Check(g_runs <= runs + 1);
            } else if (b != VH_KEY_BACKQUOTE && (std::isalnum(b) || std::ispunct(b) || std::isblank(b))) {
                model.Type(b);
            }
            break;
        }
        }
        CheckConsole(con, model);
    }
    g_con = nullptr;
    return 0;
}
