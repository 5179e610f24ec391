#include "screens/menu.h"

#include <wiringPi.h>

#include "app/fn_utils.h"
#include "app/globals.h"
#include "drivers/fn_rotary.h"
#include "drivers/soft_lcd.h"
#include "screens/glyphs.h"

namespace {

constexpr int kCols = RpLcd::kCols;
constexpr int kPollMillis = 10;

// Left-aligned text never runs on into the next row.
std::string fitted(const std::string& text, int room) {
    return text.substr(0, static_cast<size_t>(room));
}

void framedByArrows(int row) {
    putGlyph(row, 0, glyphs::kRightArrow);
    putGlyph(row, kCols - 1, glyphs::kLeftArrow);
}

void drawEntry(MenuLayout layout, int row, const std::string* label) {
    if (layout == MenuLayout::Padded) {
        myLcd.lcdPrint(label ? fitted(*label, kCols) : std::string(), row, 0, true);
    } else if (label) {
        myLcd.pos(row, 0);
        myLcd.print(fitted(*label, kCols));
    }
}

void drawSelected(MenuLayout layout, const std::string& label) {
    if (layout == MenuLayout::Padded) {
        myLcd.lcdPrint(fitted("  " + label, kCols), 2, 0, true);
    } else {
        myLcd.pos(2, 1);
        myLcd.print(fitted(label, kCols - 2));
    }
    framedByArrows(2);
}

}  // namespace

void drawMenuWindow(const std::string& title, MenuLayout layout, const std::string* above,
                    const std::string& selected, const std::string* below) {
    loadMenuArrows();
    myLcd.clear();
    myLcd.lcdPrint(fitted(title, kCols), 0, 1, true);
    framedByArrows(0);
    drawEntry(layout, 1, above);
    drawSelected(layout, selected);
    drawEntry(layout, 3, below);
    myLcd.pos(2, 0);
    myLcd.blink(true);
}

void drawMenu(const std::string& title, MenuLayout layout, const std::vector<std::string>& labels,
              int sel) {
    const int count = static_cast<int>(labels.size());
    if (sel < 0 || sel >= count) return;
    const std::string* above = sel > 0 ? &labels[sel - 1] : nullptr;
    const std::string* below = sel + 1 < count ? &labels[sel + 1] : nullptr;
    drawMenuWindow(title, layout, above, labels[sel], below);
}

std::string MenuLabel::shown() const {
    return fixed_ ? std::string(fixed_) : myTrans.tr(text_);
}

void drawMenu(const Menu& menu, int sel) {
    std::vector<std::string> labels;
    for (const MenuEntry& entry : menu.entries) labels.push_back(entry.label.shown());
    drawMenu(menu.title.shown(), menu.layout, labels, sel);
}

int stepSelection(int sel, int count, bool forward) {
    if (count <= 0) return 0;
    if (forward) return sel >= count - 1 ? 0 : sel + 1;
    return sel <= 0 ? count - 1 : sel - 1;
}

MenuExit runMenu(const MenuScreen& screen) {
    MenuExit exit;
    int sel = 0;
    const int count = screen.count();
    screen.draw(sel);
    myEncoder.resetValue();
    ClrButtons();
    int last = myEncoder.getValue();
    for (;;) {
        delay(kPollMillis);
        if (myButton_R_C.getValue() == 2) {
            myLcd.cursor(false);
            myLcd.blink(false);
            exit.longPress = true;
            return exit;
        }
        const int reading = myEncoder.getValue();
        if (reading != last) {
            sel = stepSelection(sel, count, reading > last);
            last = reading;
            exit.acted = true;
            screen.draw(sel);
        }
        const bool menuKey = myButton_R_C.getValue() == 1;
        const bool validKey = screen.validRuns && myButton_VALID.getValue() == 1;
        if (menuKey || validKey) {
            myButton_R_C.resetValue();
            if (screen.validRuns) myButton_VALID.resetValue();
            exit.acted = true;
            const MenuAction action = screen.run(sel);
            if (action.leave) {
                exit.code = action.code;
                return exit;
            }
            myButton_R_C.resetValue();
            // Turns made inside an entry do not move the menu.
            last = myEncoder.getValue();
            screen.draw(sel);
        }
        if (screen.otherKeys && screen.otherKeys(sel)) exit.acted = true;
    }
}

MenuExit runMenu(const Menu& menu, bool validRuns) {
    MenuScreen screen;
    screen.count = [&menu] { return static_cast<int>(menu.entries.size()); };
    screen.draw = [&menu](int sel) { drawMenu(menu, sel); };
    screen.run = [&menu](int sel) { return menu.entries[static_cast<size_t>(sel)].action(); };
    screen.validRuns = validRuns;
    return runMenu(screen);
}
