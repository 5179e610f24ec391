// Every setting of the `param` table, declared once: key, editing type, label,
// factory value, the global UpdateParams loads it into and how the running
// terminal takes an edited value. The loader, the settings screen's limits,
// the screens and reports that read a key, and the shipped SQL files
// (data/default.sql and data/param.sql, written by tools/settings_sql.cpp:
// `ninja -C build settings-sql`) all come from this list.
#pragma once

#include <climits>
#include <string>

// Editing types of a setting, as its `type` column holds them.
enum ParamType {
    kParamText = 1,
    kParamQuad = 2,  // four three-digit numbers, "192.168.004.001"
    kParamOnOff = 3,
    kParamNumber = 4,
    kParamSpeed = 5,
    kParamVolume = 6,
    kParamLanguage = 7,
};

constexpr int kTextWidth = 18;   // characters of a text setting
constexpr int kQuadCount = 4;    // numbers of a four-number value
constexpr int kQuadLength = 15;  // "192.168.004.001": each number "%03d", one separator between

// The range of one edited unit: a character of a text, one number of a
// four-number value, a number.
struct Limits {
    int lowest;
    int highest;
};

constexpr Limits typeLimits(int type) {
    switch (type) {
        case kParamText:
            return {32, 125};  // space to '}'
        case kParamQuad:
            return {1, 255};
        case kParamNumber:
            return {1, INT_MAX};
        case kParamVolume:
            return {60, 100};
        default:
            return {INT_MIN, INT_MAX};
    }
}

// When the running terminal takes a value edited on the settings screen.
enum class Applied {
    OnLoad,       // at the next UpdateParams
    AtOnce,       // as soon as it is stored
    WifiOnClose,  // when its editing closes, rewriting the WiFi configuration
};

constexpr bool kNoLowerBound = true;  // a number that may go below the type's lowest
constexpr bool kTypeBounds = false;

// X(id, key, type, label, factory value, global, loaded instead of an empty
//   or zero value, lower bound, applied). Settings with a global are loaded
// in this order.
// clang-format off
#define KALVENTRIX_SETTINGS(X)                                                                     \
    X(Language, "KALVENTRIX_LANG", kParamLanguage, "Language", "ENG",                             \
      &gLang, "ENG", kTypeBounds, Applied::AtOnce)                                                 \
    X(LiveScores, "KALVENTRIX_NRT", kParamOnOff, "Live scores", "1",                               \
      &gNRT, nullptr, kTypeBounds, Applied::OnLoad)                                                \
    X(ServerAddress, "KALVENTRIX_IPServer", kParamQuad, "Server address", "192.168.004.001",       \
      &gIPServer, nullptr, kTypeBounds, Applied::OnLoad)                                           \
    X(Judge, "KALVENTRIX_JUGE", kParamNumber, "Judge number", "1",                                 \
      &gJudge, nullptr, kTypeBounds, Applied::OnLoad)                                              \
    X(KeyClick, "KALVENTRIX_CLICK", kParamOnOff, "Key click", "1",                                 \
      &gCLICK, nullptr, kTypeBounds, Applied::AtOnce)                                              \
    X(DoubleLine, "KALVENTRIX_DBL_LINE", kParamOnOff, "Double line", "0",                          \
      &gDBLLINE, nullptr, kTypeBounds, Applied::OnLoad)                                            \
    X(ServerLink, "KALVENTRIX_WIFI", kParamOnOff, "Server link", "1",                              \
      &gWIFI, nullptr, kTypeBounds, Applied::OnLoad)                                               \
    X(ChiefJudge, "KALVENTRIX_CJ", kParamOnOff, "Chief judge", "0",                                \
      &gCJ, nullptr, kTypeBounds, Applied::OnLoad)                                                 \
    /* 0 tickets: the end of a flight asks whether to print one */                                 \
    X(Tickets, "KALVENTRIX_NbTicket", kParamNumber, "Tickets", "1",                                \
      &gNbTicket, "1", kNoLowerBound, Applied::OnLoad)                                             \
    X(JudgingLine, "KALVENTRIX_LINE", kParamNumber, "Judging line", "1",                           \
      &gLine, nullptr, kTypeBounds, Applied::AtOnce)                                               \
    X(WifiName, "KALVENTRIX_SSID", kParamText, "WiFi network", "KALVENTRIX",                       \
      &gSSID, nullptr, kTypeBounds, Applied::WifiOnClose)                                          \
    X(WifiPassword, "KALVENTRIX_PW", kParamText, "WiFi password", "",                              \
      &gPW, nullptr, kTypeBounds, Applied::WifiOnClose)                                            \
    X(LongSounds, "KALVENTRIX_LONG_SND", kParamOnOff, "Long sounds", "0",                          \
      &gLongWav, nullptr, kTypeBounds, Applied::OnLoad)                                            \
    /* read and written by the volume dialog */                                                    \
    X(Volume, "KALVENTRIX_1VOL", kParamVolume, "Volume", "80",                                     \
      nullptr, nullptr, kTypeBounds, Applied::OnLoad)                                              \
    /* the main screen's scoring context, kept across restarts */                                  \
    X(ContextJudge, "PELMORIDUX_JUDGE", kParamNumber, "Judge", "1",                                \
      nullptr, nullptr, kTypeBounds, Applied::OnLoad)                                              \
    X(ContextCompetition, "PELMORIDUX_COMP", kParamNumber, "Competition", "1",                     \
      nullptr, nullptr, kTypeBounds, Applied::OnLoad)                                              \
    X(ContextFlight, "PELMORIDUX_FLIGHT", kParamNumber, "Flight", "1",                             \
      nullptr, nullptr, kTypeBounds, Applied::OnLoad)                                              \
    X(ContextSchedule, "PELMORIDUX_SCHEDULE", kParamText, "Schedule", "SPORT24",                   \
      nullptr, nullptr, kTypeBounds, Applied::OnLoad)                                              \
    X(ContextPilot, "PELMORIDUX_PILOT", kParamNumber, "Pilot", "-1",                               \
      nullptr, nullptr, kTypeBounds, Applied::OnLoad)
// clang-format on

// The settings screen lists the keys of the first prefix; the main screen
// owns those of the second.
constexpr const char kSettingsPrefix[] = "KALVENTRIX_";
constexpr const char kContextPrefix[] = "PELMORIDUX_";

enum class SettingId {
#define KALVENTRIX_SETTING_ID(id, ...) id,
    KALVENTRIX_SETTINGS(KALVENTRIX_SETTING_ID)
#undef KALVENTRIX_SETTING_ID
};

struct Setting {
    SettingId id;
    const char* key;
    ParamType type;
    const char* label;
    const char* factory;    // the value data/default.sql gives
    const char* whenEmpty;  // loaded instead of a stored value that reads as empty or 0
    bool noLowerBound;
    Applied applied;
};

inline constexpr Setting kSettings[] = {
#define KALVENTRIX_SETTING_ROW(id, key, type, label, factory, global, whenEmpty, noLowerBound, \
                               applied)                                                        \
    {SettingId::id, key, type, label, factory, whenEmpty, noLowerBound, applied},
    KALVENTRIX_SETTINGS(KALVENTRIX_SETTING_ROW)
#undef KALVENTRIX_SETTING_ROW
};

constexpr const Setting& setting(SettingId id) {
    return kSettings[static_cast<int>(id)];
}

constexpr const char* keyOf(SettingId id) {
    return setting(id).key;
}

// The declared setting of a key; null for a key the program does not know.
inline const Setting* findSetting(const std::string& key) {
    for (const Setting& s : kSettings)
        if (key == s.key) return &s;
    return nullptr;
}

constexpr Limits limitsOf(const Setting& s) {
    Limits limits = typeLimits(s.type);
    if (s.noLowerBound) limits.lowest = INT_MIN;
    return limits;
}

// A declared key's limits, else those of its type.
inline Limits limitsFor(int type, const std::string& key) {
    const Setting* s = findSetting(key);
    return s && s->type == type ? limitsOf(*s) : typeLimits(type);
}

namespace settings_detail {
constexpr bool startsWith(const char* text, const char* prefix) {
    for (; *prefix; ++text, ++prefix)
        if (*text != *prefix) return false;
    return true;
}
constexpr bool everyKeyListed() {
    for (const Setting& s : kSettings)
        if (!startsWith(s.key, kSettingsPrefix) && !startsWith(s.key, kContextPrefix)) return false;
    return true;
}
}  // namespace settings_detail
static_assert(settings_detail::everyKeyListed(), "a key outside both prefixes is never listed");
