// The interface text table and its loading with the English fallback.
#include "app/fn_utils.h"
#include "tests/support/db_support.h"

namespace {

using dbtest::DbTest;

TEST(TranslationTable, EmptyTableAnswersWithMarkers) {
    Translation texts;
    EXPECT_EQ(texts.tr(0), "?>MAX?");
    EXPECT_EQ(texts.tr(-1), "?<0?");
    texts.texts = {"a", "b"};
    EXPECT_EQ(texts.tr(1), "b");
    EXPECT_EQ(texts.tr(2), "?>MAX?");
}

class TranslationUpdateTest : public DbTest {
  protected:
    void SetUp() override {
        DbTest::SetUp();
        exec(
            "INSERT INTO translation (ID, lang, text) VALUES"
            " (0, 'ENG', 'Zero'), (1, 'ENG', 'One'), (3, 'ENG', 'Three'),"
            " (1, 'FRA', 'Un'), (77, 'FRA', 'Soixante-dix-sept'),"
            " (2, 'GER', 'Zwei'), (4, 'FRA', 'Pilote\tnumérique'), (-3, 'FRA', 'neg');");
    }
    std::vector<std::string> texts;
};

TEST_F(TranslationUpdateTest, OwnTextsOverEnglishOverPlaceholders) {
    EXPECT_EQ(store->translation_update("FRA", &texts), 1);
    ASSERT_EQ(texts.size(), 78u);
    EXPECT_EQ(texts[0], "Zero");
    EXPECT_EQ(texts[1], "Un");
    EXPECT_EQ(texts[2], "??02??");
    EXPECT_EQ(texts[3], "Three");
    EXPECT_EQ(texts[4], "Pilote numerique");
    EXPECT_EQ(texts[7], "??07??");
    EXPECT_EQ(texts[77], "Soixante-dix-sept");
}

TEST_F(TranslationUpdateTest, LanguageWithoutRowsIsEnglish) {
    EXPECT_EQ(store->translation_update("ITA", &texts), 1);
    EXPECT_EQ(texts, std::vector<std::string>({"Zero", "One", "??02??", "Three"}));
    EXPECT_EQ(store->translation_update("ENG", &texts), 1);
    EXPECT_EQ(texts.size(), 4u);
}

TEST_F(TranslationUpdateTest, QuotedLanguageCodeIsJustAnUnknownLanguage) {
    EXPECT_EQ(store->translation_update("x') OR 1=1 --", &texts), 1);
    EXPECT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[2], "??02??");
}

TEST_F(TranslationUpdateTest, NoTextsAtAllGivesAnEmptyTable) {
    exec("DELETE FROM translation;");
    texts = {"old"};
    EXPECT_EQ(store->translation_update("FRA", &texts), 1);
    EXPECT_TRUE(texts.empty());
}

TEST_F(TranslationUpdateTest, MissingTableFailsWithAnEmptyTable) {
    exec("DROP TABLE translation;");
    store = std::make_unique<RpSqlite>(file, &rc);
    texts = {"old"};
    watch();
    EXPECT_EQ(store->translation_update("FRA", &texts), -1);
    EXPECT_NE(output().find("error: no such table: translation"), std::string::npos);
    EXPECT_TRUE(texts.empty());
}

}  // namespace
