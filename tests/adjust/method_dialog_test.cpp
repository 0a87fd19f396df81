// The method dialogs driven as a user would drive them, in both network kinds.
#include "adjust/method_dialog.h"

#include <gtest/gtest.h>

#include <cmath>

#include "approx/calculate.h"
#include "netdb/database_file.h"
#include "report/network_summary.h"
#include "report/precision_report.h"
#include "report/report_lines.h"
#include "tests/support/scripted_windows.h"
#include "tests/support/recording_messenger.h"

namespace quenvar {
namespace {

using testing::PressStep;
using Strings = std::vector<std::string>;

constexpr double ArcSecond = 3.14159265358979323846 / 180 / 3600;  // radians

class MethodDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(LoadDatabase(net, ui, QUENVAR_SOURCE_DIR "/examples/survey.txt"), 2);
        ui.messages.clear();
    }

    // Opens the dialog of the network kind with one scripted step; the dialog's result.
    int Run(bool height, testing::ScriptedWindows::Step step) {
        net.hdr.heightMode = height ? 1 : 0;
        windows.Then(std::move(step));
        return AdjustmentMethodDialog(net, ui, reports, windows, state);
    }
    std::string Text(const Dialog& d, int id) { return d.Find(id)->text; }
    Strings Texts(const Dialog& d, std::initializer_list<int> ids) {
        Strings t;
        for (const int id : ids) t.push_back(Text(d, id));
        return t;
    }
    // The approximate values the adjustment window computes before it opens the dialog.
    void Approximate(bool height) {
        net.hdr.heightMode = height ? 1 : 0;
        ASSERT_EQ(Calculate(net, ui), 1);
    }

    Network net;
    testing::RecordingMessenger ui;
    ReportBuffers reports;
    testing::ScriptedWindows windows;
    MethodDialogState state;
};

TEST_F(MethodDialogTest, PlaneDialogShowsStoredChoicesAndDefaultErrors) {
    state.methodCode = 3;
    state.iterationCount = 4;
    net.hdr.optionFlags |= OptionAngleMode;
    EXPECT_EQ(Run(false,
                  [&](Dialog& d) {
                      EXPECT_EQ(d.TemplateId(), 106);
                      EXPECT_EQ(d.Caption(), "平面网平差方法选择");
                      EXPECT_EQ(Text(d, 102), "4");
                      const Control& list = *d.Find(103);
                      ASSERT_EQ(list.items.size(), 8u);
                      EXPECT_EQ(list.items[0], "单次平差");
                      EXPECT_EQ(list.items[7], "验后定权法");
                      EXPECT_EQ(list.selection, 3);
                      EXPECT_FALSE(d.Find(111)->checked);
                      EXPECT_TRUE(d.Find(112)->checked);
                      // Defaults: 10 mm, 0.000005 ppm, 20" (9.697e-5 rad), 20 mm, 0 ppm, 40".
                      EXPECT_EQ(Texts(d, {205, 206, 207, 208, 209, 210}),
                                (Strings{"0.0100", "   0.0", "0.002000", "0.0200", "   0.0", "0.004000"}));
                      EXPECT_EQ(d.Find(206)->label, "观测误差先验值 比例误差");
                      // No class-4 observations: the hidden class-4 fields are disabled too.
                      for (int id : {208, 209, 210}) EXPECT_FALSE(d.Find(id)->visible || d.Find(id)->enabled) << id;
                      d.Press(IdCancel);
                  }),
              0);
    EXPECT_EQ((std::pair<int, int>(state.methodCode, state.iterationCount)), std::pair(3, 4));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(ui.progress.empty());  // cancel runs no adjustment
}

TEST_F(MethodDialogTest, DesignNetworkOffersTwoMethodsAndReducesTheStoredCode) {
    net.hdr.designMode = 1;
    for (bool height : {false, true}) {
        state.methodCode = 5;
        Run(height, [&](Dialog& d) {
            EXPECT_EQ(d.TemplateId(), height ? 107 : 106);
            const Control& list = *d.Find(103);
            ASSERT_EQ(list.items.size(), 2u);
            EXPECT_EQ(list.items[1], "三类分析");
            EXPECT_EQ(list.selection, 1);
            EXPECT_FALSE(d.Select(103, 2));
            d.Press(IdCancel);
        });
        EXPECT_EQ(state.methodCode, 1);
    }
}

TEST_F(MethodDialogTest, ClassFourFieldsAreEnabledWhenTheNetworkHasClassFourObservations) {
    net.Obs(net.Point(1).firstObs).code = MakeCode(KindDirection, ClassSpecial);
    Run(false, [&](Dialog& d) {
        for (int id : {208, 209, 210}) EXPECT_TRUE(d.Find(id)->enabled);
        EXPECT_TRUE(d.SetText(209, "4"));  // hidden, but filled and read like the others
        d.Press(IdConfirmSettings);
    });
    EXPECT_FLOAT_EQ(net.hdr.distSigmaPpm4, 4.0f);
    // A class-4 direction takes no part in the height network.
    Run(true, [&](Dialog& d) {
        for (int id : {207, 208}) EXPECT_FALSE(d.Find(id)->enabled);
        d.Press(IdCancel);
    });
}

TEST_F(MethodDialogTest, ConfirmKeepsTheSettingsWithoutAdjusting) {
    const double beforeX = net.Point(4).x, beforeY = net.Point(4).y;
    EXPECT_EQ(Run(false,
                  [&](Dialog& d) {
                      EXPECT_TRUE(d.SetText(102, "7"));
                      EXPECT_TRUE(d.Select(103, 6));
                      EXPECT_TRUE(d.Check(112));
                      EXPECT_FALSE(d.Find(111)->checked);
                      d.SetText(205, "0.003");
                      d.SetText(206, "2.5");
                      d.SetText(207, "0.0015");  // 15 seconds of arc, typed in d.mmss
                      EXPECT_FALSE(d.SetText(209, "4"));  // disabled without class-4 observations
                      d.Press(IdConfirmSettings);
                  }),
              0);
    EXPECT_EQ((std::tuple<int, int, int>(state.methodCode, state.iterationCount, state.startFlag)), std::tuple(6, 7, 0));
    EXPECT_EQ(net.hdr.optionFlags & OptionAngleMode, OptionAngleMode);
    EXPECT_FLOAT_EQ(net.hdr.distSigmaConst, 0.003f);
    EXPECT_FLOAT_EQ(net.hdr.distSigmaPpm, 2.5f);
    EXPECT_NEAR(net.hdr.dirSigma, 15 * ArcSecond, 1e-11);
    EXPECT_EQ(net.hdr.distSigmaPpm4, 0.0f);  // its shown "   0.0" read back
    EXPECT_STREQ(state.errorTexts[2].data(), "0.0015");
    EXPECT_TRUE(ui.progress.empty());
    EXPECT_EQ(std::pair(+net.Point(4).x, +net.Point(4).y), std::pair(beforeX, beforeY));

    // The next opening shows what was kept, the direction again in d.mmss.
    Run(false, [&](Dialog& d) {
        EXPECT_EQ(Texts(d, {102, 205, 207}), (Strings{"7", "0.0030", "0.001500"}));
        EXPECT_TRUE(d.Find(103)->selection == 6 && d.Find(112)->checked);
        d.SetText(102, "x9");
        d.Check(111);
        d.Press(IdConfirmSettings);
    });
    EXPECT_EQ(state.iterationCount, 7);  // "x9" does not scan
    EXPECT_EQ(net.hdr.optionFlags & OptionAngleMode, 0);
}

TEST_F(MethodDialogTest, TextsThatDoNotScanKeepTheirFieldsButDirectionsAreConvertedAnyway) {
    Run(false, [&](Dialog& d) {
        d.SetText(205, "abc");
        d.SetText(207, "");
        d.SetText(206, "12345678901234567893");  // read as its first 19 characters
        d.Press(IdConfirmSettings);
    });
    EXPECT_FLOAT_EQ(net.hdr.distSigmaConst, 0.01f);
    EXPECT_FLOAT_EQ(net.hdr.distSigmaPpm, 1234567890123456789.0f);
    // The old 9.697e-5 radians read as d.mmss: 0.9697 seconds of arc.
    EXPECT_NEAR(net.hdr.dirSigma, 0.9697 * ArcSecond, 1e-11);
}

TEST_F(MethodDialogTest, ClearedDistanceErrorsComeBackAsDefaultsAtTheNextAdjustment) {
    Run(false, [&](Dialog& d) {
        d.SetText(205, "0");
        d.SetText(206, "0");
        d.Press(IdConfirmSettings);
    });
    EXPECT_EQ(std::pair(+net.hdr.distSigmaConst, +net.hdr.distSigmaPpm), std::pair(0.0f, 0.0f));
    Run(false, [&](Dialog& d) {
        EXPECT_EQ(Text(d, 205), "0.0100");
        d.Press(IdCancel);
    });
    EXPECT_FLOAT_EQ(net.hdr.distSigmaConst, 0.01f);
    EXPECT_FLOAT_EQ(net.hdr.distSigmaPpm, 0.000005f);
}

TEST_F(MethodDialogTest, StatusReportAndHelpLeaveTheDialogOpen) {
    for (bool height : {false, true}) {
        ui.messages.clear();
        windows.helpRequests.clear();
        Run(height, [&](Dialog& d) {
            EXPECT_TRUE(d.Press(IdStatusReport));
            EXPECT_TRUE(d.Press(IdHelp));
            EXPECT_FALSE(d.Ended());
            d.Press(IdCancel);
        });
        std::string summary;
        BuildNetworkSummary(net, reports, summary);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].caption, "平差结果");
        EXPECT_EQ(ui.messages[0].text, summary);
        ASSERT_EQ(windows.helpRequests.size(), 1u);
        EXPECT_EQ(windows.helpRequests[0], std::pair(height ? 0x2006Bu : 0x2006Au, 1));
    }
}

TEST_F(MethodDialogTest, StartAdjustsThePlaneNetworkWithTheChosenMethod) {
    Approximate(false);
    EXPECT_EQ(Run(false,
                  [&](Dialog& d) {
                      d.Select(103, 6);
                      d.SetText(102, "3");
                      d.Press(IdOk);
                  }),
              1);
    EXPECT_EQ(state.startFlag, 1);
    EXPECT_NE(net.hdr.optionFlags & OptionAdjusted, 0);
    EXPECT_EQ(ui.progress.front(), "正在'平差'预处理...");
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_EQ(ui.messages.back().caption, "平差结果");
    std::string precision;  // the a-priori errors scaled by the result, the adjustment's maxima
    BuildPrecisionReport(net, reports, precision);
    EXPECT_EQ(ui.messages.back().text, precision);
    // P was placed at (1400, 1500) with errors of a few millimetres.
    EXPECT_NEAR(net.Point(4).x, 1400.0, 0.01);
    EXPECT_NEAR(net.Point(4).y, 1500.0, 0.01);
}

TEST_F(MethodDialogTest, HeightDialogBindsItsVisibleSecondFieldToTheClassFourLevellingError) {
    Approximate(true);
    EXPECT_EQ(Run(true,
                  [&](Dialog& d) {
                      EXPECT_EQ(d.Caption(), "高程网平差方法选择");
                      EXPECT_EQ(d.Find(111), nullptr);
                      EXPECT_EQ(d.Find(206)->label, "高差观测误差先验值 三角高程");
                      EXPECT_TRUE(d.Find(206)->visible && !d.Find(207)->visible);
                      EXPECT_EQ(Texts(d, {205, 206, 207, 208}), (Strings{"0.0100", "0.0200", "0.0300", "0.0600"}));
                      d.SetText(205, "0.002");
                      d.SetText(206, "0.005");
                      d.Press(IdOk);
                  }),
              1);
    EXPECT_FLOAT_EQ(net.hdr.levelSigma, 0.002f);
    EXPECT_FLOAT_EQ(net.hdr.levelSigma4, 0.005f);
    EXPECT_FLOAT_EQ(net.hdr.trigHeightSigma, 0.03f);
    EXPECT_NEAR(net.Point(4).h, 103.0, 0.005);
}

}  // namespace
}  // namespace quenvar
