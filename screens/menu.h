// The scrolling menu of the service screens: a title between two arrows on
// row 0 and a window of three entries with the selected one on row 2, moved
// by the encoder one entry per poll and wrapping at both ends. A screen only
// declares its menu: title, layout and its entries, each a label and what
// choosing it does.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/texts.h"

enum class MenuLayout {
    Inline,  // the selected entry from column 1, the others from column 0
    Padded,  // every entry row blanked first, the selected entry after two spaces
};

// Draws the title and the window: `above` and `below` may be null (row left blank).
void drawMenuWindow(const std::string& title, MenuLayout layout, const std::string* above,
                    const std::string& selected, const std::string* below);
// The window around entry `sel` of `labels`; it never shows both sides of the wrap.
void drawMenu(const std::string& title, MenuLayout layout, const std::vector<std::string>& labels,
              int sel);

// The next selection for a turn: one entry whatever the size of the turn.
int stepSelection(int sel, int count, bool forward);

// What an entry's action asks of the menu afterwards.
struct MenuAction {
    bool leave = false;  // leave the screen with `code`
    int code = 0;
    static MenuAction stay() { return {}; }
    static MenuAction leaveWith(int code) { return {true, code}; }
};

// An interface text, or a fixed label shown alike in every language.
class MenuLabel {
  public:
    MenuLabel(Text text) : text_(text) {}
    MenuLabel(const char* fixed) : fixed_(fixed) {}
    std::string shown() const;

  private:
    Text text_ = Text::None;
    const char* fixed_ = nullptr;
};

struct MenuEntry {
    MenuLabel label;
    MenuAction (*action)();
};

// An entry's action that leaves the menu where it is.
template <void (*Run)()>
MenuAction staying() {
    Run();
    return MenuAction::stay();
}

struct Menu {
    MenuLabel title;
    MenuLayout layout;
    std::vector<MenuEntry> entries;
};

// A declared menu drawn around entry `sel`.
void drawMenu(const Menu& menu, int sel);

struct MenuScreen {
    std::function<int()> count;          // entries, read at the start
    std::function<void(int)> draw;       // draws the menu around a selection
    std::function<MenuAction(int)> run;  // runs the selected entry
    bool validRuns = false;              // VALID runs the entry as a short R_C does
    // Keys of the screen's own, polled after the menu's; true when one acted.
    std::function<bool(int)> otherKeys;
};

struct MenuExit {
    int code = 0;
    bool acted = false;      // the selection moved or something was run
    bool longPress = false;  // left by a long press of R_C, not by an entry
};

// Runs the menu from entry 0 until a long press of R_C (left pending for the
// screen loop) or an action that leaves.
MenuExit runMenu(const MenuScreen& screen);
// The same for a declared menu: its entries drawn and run as declared.
MenuExit runMenu(const Menu& menu, bool validRuns = false);
