// The message box: SDL's, with the CP932 text and caption shown as UTF-8 and the
// buttons of the box type. Without a display (or when SDL cannot show it) the answer
// is No when the box has a No button, else Cancel, else OK, and the text is written to
// standard error in the terminal's character set. Tests can answer every box and read what was asked; a test that runs
// the program as another process answers through VOMUR_MESSAGE_BOX_ANSWER (IDYES...).
#include <unistd.h>

#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "platform/console_text.h"
#include "platform/sdl/window_internal.h"
#include "platform/window_hooks.h"

namespace {

// The parts of a message-box type: the buttons in the low four bits, the icon in the next four.
constexpr UINT kButtonsMask = 0x0F;
constexpr UINT kIconMask = 0xF0;

std::mutex g_mutex;
int g_test_answer = 0;
std::vector<platform_hooks::MessageBoxRecord>& Records() {
    static std::vector<platform_hooks::MessageBoxRecord> records;
    return records;
}

struct Buttons {
    int count;
    int ids[3];
    const char* labels[3];
};

Buttons ButtonsOf(UINT type) {
    switch (type & kButtonsMask) {
        case MB_OKCANCEL:
            return {2, {IDOK, IDCANCEL, 0}, {"OK", "Cancel", nullptr}};
        case MB_ABORTRETRYIGNORE:
            return {3, {IDABORT, IDRETRY, IDIGNORE}, {"Abort", "Retry", "Ignore"}};
        case MB_YESNOCANCEL:
            return {3, {IDYES, IDNO, IDCANCEL}, {"Yes", "No", "Cancel"}};
        case MB_YESNO:
            return {2, {IDYES, IDNO, 0}, {"Yes", "No", nullptr}};
        case MB_RETRYCANCEL:
            return {2, {IDRETRY, IDCANCEL, 0}, {"Retry", "Cancel", nullptr}};
        default:
            return {1, {IDOK, 0, 0}, {"OK", nullptr, nullptr}};
    }
}

int HeadlessAnswer(const Buttons& buttons) {
    int answer = buttons.ids[0];
    for (int i = 0; i < buttons.count; ++i) {
        if (buttons.ids[i] == IDCANCEL) answer = IDCANCEL;
    }
    for (int i = 0; i < buttons.count; ++i) {
        if (buttons.ids[i] == IDNO) answer = IDNO;
    }
    return answer;
}

int EscapeAnswer(const Buttons& buttons) {
    for (int i = 0; i < buttons.count; ++i) {
        if (buttons.ids[i] == IDCANCEL || buttons.ids[i] == IDNO) return buttons.ids[i];
    }
    return buttons.ids[buttons.count - 1];
}

}  // namespace

int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type) {
    const std::string text_cp932 = text == nullptr ? "" : text;
    const std::string caption_cp932 = caption == nullptr ? "" : caption;
    const Buttons buttons = ButtonsOf(type);
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        if (g_test_answer != 0) {
            Records().push_back({text_cp932, caption_cp932, type, g_test_answer});
            return g_test_answer;
        }
    }
    if (const char* given = std::getenv("VOMUR_MESSAGE_BOX_ANSWER")) {
        const int answer = std::atoi(given);
        if (answer >= IDOK && answer <= IDNO) return answer;
    }
    const std::string text_utf8 = sdl_window::Cp932ToUtf8Text(text_cp932.c_str());
    const std::string caption_utf8 = sdl_window::Cp932ToUtf8Text(caption_cp932.c_str());
    if (!sdl_window::IsHeadless()) {
        SDL_MessageBoxButtonData data[3]{};
        // SDL lays the buttons out in array order; the first one answers Enter.
        const int default_index = (type & MB_DEFBUTTON2) != 0 && buttons.count > 1 ? 1 : 0;
        for (int i = 0; i < buttons.count; ++i) {
            data[i].buttonid = buttons.ids[i];
            data[i].text = buttons.labels[i];
            if (i == default_index) data[i].flags |= SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
            if (buttons.ids[i] == EscapeAnswer(buttons)) data[i].flags |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
        }
        Uint32 flags = SDL_MESSAGEBOX_INFORMATION;
        if ((type & kIconMask) == MB_ICONERROR) flags = SDL_MESSAGEBOX_ERROR;
        if ((type & kIconMask) == MB_ICONWARNING) flags = SDL_MESSAGEBOX_WARNING;
        sdl_window::WindowRecord* record = sdl_window::FindWindowRecord(owner);
        SDL_MessageBoxData box{};
        box.flags = flags;
        box.window = record != nullptr ? record->sdl : nullptr;
        box.title = caption_utf8.c_str();
        box.message = text_utf8.c_str();
        box.numbuttons = buttons.count;
        box.buttons = data;
        int pressed = 0;
        if (SDL_ShowMessageBox(&box, &pressed) == 0) {
            return pressed >= 0 ? pressed : EscapeAnswer(buttons);
        }
    }
    const int answer = HeadlessAnswer(buttons);
    const std::string line =
        "[message box] " + caption_cp932 + ": " + text_cp932 + " (answered " + std::to_string(answer) + ")\n";
    WriteConsoleText(STDERR_FILENO, line.data(), line.size());
    return answer;
}

namespace platform_hooks {

void SetNextMessageBoxAnswer(int answer) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_test_answer = answer;
}

std::vector<MessageBoxRecord> TakeMessageBoxRecords() {
    std::lock_guard<std::mutex> lock(g_mutex);
    std::vector<MessageBoxRecord> out;
    out.swap(Records());
    return out;
}

}  // namespace platform_hooks
