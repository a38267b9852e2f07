// Sizing the grid and filling it in: Apply, the Enter command by button and by
// the Return key, the timer's rules, and the spin control.
#include "window_fixture.h"

using namespace brennic::ui::test;

TEST_F(WindowTest, TimerEnablesEnterByTheInputTextOnlyAfterApply) {
    // clang-format off
    struct Rule { const char* name; const char* input; bool enabled; /* once applied */ };
    const Rule rules[] = {
        {"lone_zero", "0", true},     {"zero_point_zero", "0.0", false}, {"two_zeros", "00", false},
        {"blank_zero", " 0", false},  {"zero_blank", "0 ", false},       {"letters", "abc", false},
        {"minus_zero", "-0", false},  {"lone_point", ".", false},        {"empty", "", false},
        {"negative", "-3", true},     {"exponent", "1e2", true},         {"fraction", "0.5", true},
        {"number_then_letters", "5abc", true}, {"hex_lower_case", "&h1f", true},
        {"octal_lower_case", "&o17", true},    {"hex_zero", "&h0", false},
        {"exponent_upper_case", "1E2", true}};
    // clang-format on
    for (bool applied : {false, true}) {
        if (applied) {
            applySize("2");
            EXPECT_FALSE(enabled("cmdDoIt")); // not by Apply itself
        }
        for (const Rule& rule : rules) {
            SCOPED_TRACE(std::string(rule.name) + (applied ? " applied" : " before Apply"));
            input()->setText(rule.input);
            window->TimerStep();
            EXPECT_EQ(std::pair(enabled("cmdEnter"), enabled("cmdDoIt")),
                      std::pair(applied && rule.enabled, applied));
        }
    }
}

TEST_F(WindowTest, ApplySizesTheGridKeepingTextsOrRefusesAndChangesNothing) {
    fill(3, {"11", "12", "13", "21", "22", "23", "31", "32", "33"});
    // In order; a refused size leaves the previous row's grid. The grid always has
    // matrixSize + 1 rows and columns; halves go to the even neighbour. Cells (r, c)
    // with r, c <= kept still hold "rc", the rest are empty.
    // clang-format off
    struct Size { const char* typed; const char* shown; int n, kept; std::pair<int, int> cursor;
                  bool refused; };
    const Size sizes[] = {
        {"4", "4", 4, 3, {3, 3}, false},         {"2", "2", 2, 2, {2, 2}, false},
        {"254", "254", 254, 2, {2, 2}, false},   {"abc", "abc", 254, 2, {2, 2}, true},
        {"2.5", "2.5", 2, 2, {2, 2}, false},     {"", "", 2, 2, {2, 2}, true},
        {"3.5", "3.5", 4, 2, {2, 2}, false},     {"300", "300", 4, 2, {2, 2}, true},
        {"254.6", "254.6", 4, 2, {2, 2}, true},  {"1", "2", 2, 2, {2, 2}, false},
        {"-7", "2", 2, 2, {2, 2}, false}};
    // clang-format on
    for (const Size& size : sizes) {
        SCOPED_TRACE(size.typed);
        s->shown.clear();
        applySize(size.typed);
        window->TimerStep(); // nor does the timer touch a size above 2 or no number
        ASSERT_EQ(s->shown.size(), size.refused ? 1u : 0u);
        EXPECT_TRUE(!size.refused || s->shown[0].title == InputTitle);
        EXPECT_EQ(sizeBox()->text(), size.shown);
        ASSERT_EQ(std::tuple(grid()->Rows(), grid()->Cols(), window->state().matrixSize),
                  std::tuple(size.n + 1, size.n + 1, size.n));
        for (int r = 1; r <= std::min(size.n, 4); ++r)
            for (int c = 1; c <= std::min(size.n, 4); ++c)
                EXPECT_EQ(grid()->cellText(r, c),
                          r <= size.kept && c <= size.kept ? QString::number(r * 10 + c) : "")
                    << r << "," << c;
        EXPECT_EQ(current(), size.cursor);
    }
}

// Counts typed one after another as the help tells: each Enter, by the button or
// the Return key, writes the current cell (or the one clicked), moves on row by
// row and leaves the count selected in the box with the focus, so the next one
// replaces it and Return alone repeats it. The last cell stays current.
TEST_F(WindowTest, CountsTypedOneAfterAnotherFillRowByRow) {
    commit("5"); // before Apply: Return writes the current cell, which stays
    EXPECT_EQ(grid()->cellText(1, 1), "5");
    EXPECT_EQ(current(), std::make_pair(1, 1));
    applySize("3");
    input()->clear();
    // clang-format off
    struct Step { const char* name; const char* typed; bool button; std::pair<int, int> clicked;
                  std::pair<int, int> cell; const char* written; std::pair<int, int> next; };
    const Step steps[] = {
        {"first_count", "20", false, {}, {1, 1}, "20", {1, 2}},
        {"second_replaces_first", "5", false, {}, {1, 2}, "5", {1, 3}},
        {"return_alone_repeats", "", false, {}, {1, 3}, "5", {2, 1}},
        {"by_the_button", "15", true, {}, {2, 1}, "15", {2, 2}},
        {"after_the_button", "2", false, {}, {2, 2}, "2", {2, 3}},
        {"in_the_cell_clicked", "7", false, {1, 2}, {1, 2}, "7", {1, 3}},
        {"empty_box_by_return", "", false, {2, 3}, {2, 3}, "", {3, 1}},
        {"clicked_last_cell", "9", true, {3, 3}, {3, 3}, "9", {3, 3}},
        {"last_cell_again", "8", false, {}, {3, 3}, "8", {3, 3}}};
    // clang-format on
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        if (step.clicked.first > 0) { // the grid takes the focus, and the selection with it
            QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {},
                              cell(step.clicked.first, step.clicked.second).center());
            input()->clear();
        }
        QTest::keyClicks(input(), step.typed);
        window->TimerStep();
        if (step.button)
            click("cmdEnter");
        else
            QTest::keyClick(input(), Qt::Key_Return);
        EXPECT_EQ(grid()->cellText(step.cell.first, step.cell.second), step.written);
        EXPECT_EQ(current(), step.next);
        EXPECT_EQ(std::pair(input()->text(), input()->selectedText()),
                  std::pair(QString(step.written), QString(step.written)));
        EXPECT_EQ(window->focusWidget(), input());
    }
}

TEST_F(WindowTest, TimerRaisesTheSizeToTwoUnlessTypedSinceTheLastTick) {
    // Steps in order, with the focus in the size box or elsewhere: "set X" writes
    // the text as the program does, "type X" types keys at the end of the box,
    // "down" clicks the spin control's down arrow, "tick" is one timer step.
    // `after` is the box's text at the end.
    // clang-format off
    struct Clamp { const char* name; std::vector<std::string> steps; const char* after; };
    const Clamp clamps[] = {
        {"typed_one_then_two_across_a_tick", {"set ", "type 1", "tick", "type 2", "tick"}, "12"},
        {"typed_one_spared_one_tick", {"set ", "type 1", "tick"}, "1"},
        {"typed_one_left_alone_two_ticks", {"set ", "type 1", "tick", "tick"}, "2"},
        {"arrow_down_to_one", {"set 2", "tick", "down", "tick"}, "2"},
        {"arrow_down_to_zero", {"set 1", "down", "tick"}, "2"},
        {"arrow_right_after_typing", {"set ", "type 2", "down", "tick"}, "2"},
        {"written_one", {"set 1", "tick"}, "2"},
        {"letters_left", {"set ", "type abc", "tick", "tick"}, "abc"},
        {"empty_left", {"set ", "tick", "tick"}, ""}};
    // clang-format on
    for (bool focused : {true, false}) {
        for (const Clamp& clamp : clamps) {
            SCOPED_TRACE(std::string(clamp.name) + (focused ? " focused" : " not focused"));
            (focused ? static_cast<QWidget*>(sizeBox()) : grid())->setFocus();
            window->TimerStep(); // nothing typed before the row
            for (const std::string& step : clamp.steps) {
                const QString arg = QString::fromStdString(step.substr(step.find(' ') + 1));
                if (step.starts_with("type "))
                    sizeBox()->end(false), QTest::keyClicks(sizeBox(), arg);
                else if (step.starts_with("set "))
                    sizeBox()->setText(arg);
                else if (step == "down")
                    QTest::mouseClick(arrow(false), Qt::LeftButton);
                else
                    window->TimerStep();
            }
            EXPECT_EQ(sizeBox()->text(), clamp.after);
        }
    }
}

TEST_F(WindowTest, SpinControlStepsWithinZeroToTen) {
    // In order: a box without a whole number from 0 to 10 steps from the last value.
    // clang-format off
    const std::tuple<const char*, bool, const char*> spins[] = {
        {"2", true, "3"}, {"5", false, "4"}, {"10", true, "10"}, {"0", false, "0"},
        {"abc", true, "1"}, {"12", true, "2"}};
    // clang-format on
    for (const auto& [shown, up, after] : spins) {
        sizeBox()->setText(shown);
        QTest::mouseClick(arrow(up), Qt::LeftButton);
        EXPECT_EQ(sizeBox()->text(), after) << shown;
    }
}
