// Settings loader and the interface text table.
#include "app/fn_utils.h"

#include <cstdlib>

#include "app/globals.h"
#include "app/settings.h"
#include "db/fn_sqlite.h"

namespace {

// The global a setting is loaded into, of one of three kinds, or none.
struct Global {
    bool* flag = nullptr;
    int* number = nullptr;
    std::string* text = nullptr;
    constexpr Global(std::nullptr_t) {}
    constexpr Global(bool* global) : flag(global) {}
    constexpr Global(int* global) : number(global) {}
    constexpr Global(std::string* global) : text(global) {}
    bool loaded() const { return flag || number || text; }
};

constexpr Global kGlobals[] = {
#define KALVENTRIX_SETTING_GLOBAL(id, key, type, label, factory, global, ...) Global(global),
    KALVENTRIX_SETTINGS(KALVENTRIX_SETTING_GLOBAL)
#undef KALVENTRIX_SETTING_GLOBAL
};

}  // namespace

// Conversions as the store's typed getters make them: a flag is on only as
// "1", a number is the atoi of the text.
void takeSetting(SettingId id, const std::string& stored) {
    const Setting& s = setting(id);
    const Global& global = kGlobals[static_cast<int>(id)];
    if (global.flag) *global.flag = stored == "1";
    if (global.number) {
        *global.number = std::atoi(stored.c_str());
        if (*global.number == 0 && s.whenEmpty) *global.number = std::atoi(s.whenEmpty);
    }
    if (global.text) *global.text = stored.empty() && s.whenEmpty ? s.whenEmpty : stored;
    if (id == SettingId::Language) myTrans.update(gLang);
}

void UpdateParams() {
    for (const Setting& s : kSettings) {
        if (kGlobals[static_cast<int>(s.id)].loaded())
            takeSetting(s.id, db.get_param_string(s.key));
    }
}

void Translation::update(std::string lang) {
    db.translation_update(lang, &texts);
}

std::string Translation::tr(int n) {
    if (n < 0) return "?<0?";
    if (n >= static_cast<int>(texts.size())) return "?>MAX?";
    return texts[n];
}
