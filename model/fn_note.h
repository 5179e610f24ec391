// One figure's score on a judge's sheet: the scoring kind, the value in tenths
// of a point (or a mark) and whether the judge has touched it.
#pragma once

#include <string>

#include "model/scoring_kinds.h"

class Note {
  public:
    // Special marks of the value.
    static constexpr int kNo = -10;
    static constexpr int kBp = -20;

    // Key codes handed to update().
    static constexpr int kKeyLongZero = -2;
    static constexpr int kKeyMinus = 12;
    static constexpr int kKeyPlus = 13;
    static constexpr int kKeyNo = 14;

    Note(int option, int comp, int flight, int pilot, int figure, std::string desc);
    virtual ~Note() = default;

    void update(int key);
    int getValue();
    void setValue(int v);
    std::string getDesc();
    int getOption();
    bool getUpdate();

    // The value as the server receives it: 7, 7.5, -1 for "NO", -2 for "BP".
    static std::string serverText(int value);
    // The name of the sound that announces the value: 7, 7_5, NO, BP.
    static std::string soundName(int value);
    // The value a figure of the given kind starts with.
    static int initialValue(int option);

    // Asks the judge for the tenth of a two-key entry whose whole part is
    // `whole` (0 to 9). The program hands in its keypad dialog; without one
    // the tenth is 0.
    using TenthReader = int (*)(int whole);
    static void useTenthReader(TenthReader reader);

  private:
    void applyDigit(const ScoringKind& kind, int key);
    void applyStep(const ScoringKind& kind, int direction);
    // Two-key entry of kind 6: the tenth key after the whole part.
    int _readTenth(int whole);

    int comp;
    int flight;
    int pilot;
    int figure;
    int option;
    int value;
    std::string desc;
    bool updated;
};
