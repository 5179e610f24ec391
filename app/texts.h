// The interface texts the program shows or prints, by number. The wording of
// each, in every language, is data of the translation table
// (data/translation.sql); the program only knows which number says what.
#pragma once

// X(name, number): one line per text, grouped by the screen that shows it.
// clang-format off
#define KALVENTRIX_TEXTS(X)                                                                        \
    /* score entry: words before the judge and pilot numbers of the alternate header */           \
    X(HeaderJudge, 1)                                                                              \
    X(HeaderPilot, 2)                                                                              \
    /* end of flight */                                                                            \
    X(ResendingQueue, 3)                                                                           \
    X(TicketQuestion, 68)                                                                          \
    X(TicketQuestionPrint, 69)                                                                     \
    X(TicketQuestionSkip, 70)                                                                      \
    X(StoreSheet, 71)                                                                              \
    X(BackToScoring, 72)                                                                           \
    /* test screen */                                                                              \
    X(SdWriteSpeed, 4)                                                                             \
    X(SdReadSpeed, 5)                                                                              \
    X(TurnTheEncoder, 6)                                                                           \
    X(MenuKeyLeaves, 7)                                                                            \
    X(TestDisplay, 8)                                                                              \
    X(TestPrinter, 9)                                                                              \
    X(TestKeypad, 10)                                                                              \
    X(TestEncoder, 11)                                                                             \
    X(TestSdCard, 12)                                                                              \
    X(TestSound, 13)                                                                               \
    X(TestWifi, 14)                                                                                \
    X(SdCardTestRunning, 16)                                                                       \
    X(PleaseWait, 17)                                                                              \
    X(ServerLinkOff, 57)                                                                           \
    /* main screen's pilot dialog: title and its three choices */                                  \
    X(AlreadyScored, 18)                                                                           \
    X(PilotBack, 19)                                                                               \
    X(PilotErase, 20)                                                                              \
    X(PilotReprint, 21)                                                                            \
    /* main screen's field editor titles; 23, 24 also head the unsent list */                      \
    X(EditJudge, 22)                                                                               \
    X(EditCompetition, 23)                                                                         \
    X(EditFlight, 24)                                                                              \
    X(EditSchedule, 25)                                                                            \
    X(EditPilot, 26)                                                                               \
    /* main screen's field labels */                                                               \
    X(LabelJudge, 27)                                                                              \
    X(LabelCompetition, 28)                                                                        \
    X(LabelFlight, 29)                                                                             \
    X(LabelSchedule, 30)                                                                           \
    X(LabelPilot, 31)                                                                              \
    /* server reply codes -1 and 1, 100 to 106, 900 to 904 */                                      \
    X(ServerLinkError, 32)                                                                         \
    X(ReplyFlightNumber, 33)                                                                       \
    X(ReplyJudgeNumber, 34)                                                                        \
    X(ReplyPilotNumber, 35)                                                                        \
    X(ReplyParamCount, 36)                                                                         \
    X(ReplyOptionCode, 37)                                                                         \
    X(ReplyPilotNotInPhase, 38)                                                                    \
    X(ReplySchedule, 39)                                                                           \
    X(ReplySqlFlight, 40)                                                                          \
    X(ReplySqlPilot, 41)                                                                           \
    X(ReplySqlFigures, 42)                                                                         \
    X(ReplySqlScore, 43)                                                                           \
    X(ReplySqlLogs, 44)                                                                            \
    X(ScheduleMissing, 45)                                                                         \
    /* downloads screen; 47 and 50 also shortcuts, 65 also the schedules report */                 \
    X(DownloadsTitle, 49)                                                                          \
    X(ClearScores, 46)                                                                             \
    X(ResendQueue, 47)                                                                             \
    X(PrintSchedules, 65)                                                                          \
    X(DownloadCatalogue, 48)                                                                       \
    X(ProgramUpdate, 58)                                                                           \
    X(ServerSettings, 59)                                                                          \
    X(DefaultSettings, 63)                                                                         \
    X(SetHostName, 64)                                                                             \
    X(Reboot, 67)                                                                                  \
    X(ClearScoresQuestion, 62)                                                                     \
    X(Resending, 50)                                                                               \
    /* tickets and printed lists; 55 also heads the unsent list */                                 \
    X(TicketServerError, 51)                                                                       \
    X(TicketCompetition, 52)                                                                       \
    X(TicketFlight, 53)                                                                            \
    X(TicketJudge, 54)                                                                             \
    X(TicketPilot, 55)                                                                             \
    X(TicketSignature, 56)                                                                         \
    X(UnsentScores, 66)                                                                            \
    /* volume dialog */                                                                            \
    X(VolumeTitle, 60)                                                                             \
    /* shortcuts screen */                                                                         \
    X(ShortcutsTitle, 73)                                                                          \
    X(RelaunchProgram, 74)                                                                         \
    X(ReprintTicket, 75)                                                                           \
    X(Volume, 76)                                                                                  \
    X(MainScreen, 77)
// clang-format on

enum class Text : int {
    None = 0,  // where a code or an entry has no text
#define KALVENTRIX_TEXT_ENUM(name, number) name = number,
    KALVENTRIX_TEXTS(KALVENTRIX_TEXT_ENUM)
#undef KALVENTRIX_TEXT_ENUM
};

// Every text the program uses, for checks against the shipped table.
inline constexpr Text kAllTexts[] = {
#define KALVENTRIX_TEXT_LIST(name, number) Text::name,
    KALVENTRIX_TEXTS(KALVENTRIX_TEXT_LIST)
#undef KALVENTRIX_TEXT_LIST
};

namespace texts_detail {
constexpr bool numbersDistinct() {
    const int count = static_cast<int>(sizeof(kAllTexts) / sizeof(kAllTexts[0]));
    for (int i = 0; i < count; ++i)
        for (int j = i + 1; j < count; ++j)
            if (kAllTexts[i] == kAllTexts[j]) return false;
    return true;
}
}  // namespace texts_detail
static_assert(texts_detail::numbersDistinct(), "two texts share a number");
