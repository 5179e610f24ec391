#include <gtest/gtest.h>

#include "sim/panel/sounds.h"

using namespace sim::panel;

TEST(PanelSounds, EveryFormOfAplayTheTerminalRunsNamesItsFile) {
    EXPECT_EQ(aplayFile("aplay -q /home/pi/TADA.WAV &"), "/home/pi/TADA.WAV");
    EXPECT_EQ(aplayFile("aplay /home/pi/TADA.WAV -q &"), "/home/pi/TADA.WAV");
    EXPECT_EQ(aplayFile("aplay -q /home/pi/sounds/#ENG/SOUNDS/7_5.wav"),
              "/home/pi/sounds/#ENG/SOUNDS/7_5.wav");
    EXPECT_EQ(aplayFile("aplay -q /home/pi/sounds/#FRA/PGM/SPORT24/03L.WAV&"),
              "/home/pi/sounds/#FRA/PGM/SPORT24/03L.WAV");
    EXPECT_EQ(aplayFile("sudo aplay -q click.wav &"), "click.wav");
    EXPECT_EQ(aplayFile("/usr/bin/aplay x.wav"), "x.wav");
}

TEST(PanelSounds, OtherCommandsAndAplayWithoutAFilePlayNothing) {
    EXPECT_FALSE(aplayFile("sudo amixer cset numid=1 80%"));
    EXPECT_FALSE(aplayFile("echo aplay x.wav"));
    EXPECT_FALSE(aplayFile("aplayer x.wav"));
    EXPECT_FALSE(aplayFile("aplay -q &"));
    EXPECT_FALSE(aplayFile("aplay"));
    EXPECT_FALSE(aplayFile(""));
}

TEST(PanelSounds, TheMixerLevelIsReadOnlyFromControlOne) {
    EXPECT_EQ(mixerLevel("sudo amixer cset numid=1 80%"), 80);
    EXPECT_EQ(mixerLevel("amixer cset numid=1 100%"), 100);
    EXPECT_EQ(mixerLevel("sudo amixer cset numid=1 0%"), 0);
    EXPECT_FALSE(mixerLevel("sudo amixer cset numid=2 80%"));
    EXPECT_FALSE(mixerLevel("sudo amixer cset numid=1 80"));
    EXPECT_FALSE(mixerLevel("sudo amixer cset numid=1 101%"));
    EXPECT_FALSE(mixerLevel("sudo amixer cset numid=1 8a%"));
    EXPECT_FALSE(mixerLevel("sudo amixer cset numid=1 %"));
    EXPECT_FALSE(mixerLevel("sudo amixer cset numid=1 80% extra"));
}

TEST(PanelSounds, OnlyWavFilesInsideTheSandboxAreServed) {
    const std::string root = "/tmp/box";
    EXPECT_EQ(sandboxSoundPath(root, "/home/pi/TADA.WAV"), "/tmp/box/home/pi/TADA.WAV");
    EXPECT_EQ(sandboxSoundPath(root, "/tmp/box/home/pi/click.wav"), "/tmp/box/home/pi/click.wav");
    EXPECT_EQ(sandboxSoundPath(root, "click.wav"), "/tmp/box/home/pi/click.wav");
    EXPECT_EQ(sandboxSoundPath(root, "/home/pi/../../etc/x.wav"), "");
    EXPECT_EQ(sandboxSoundPath(root, "/home/pi/kalventrix-db"), "");
    EXPECT_EQ(sandboxSoundPath(root, "/etc/passwd"), "");
    EXPECT_EQ(sandboxSoundPath(root, ".wav"), "/tmp/box/home/pi/.wav");
    EXPECT_EQ(sandboxSoundPath(root, ""), "");
}
