// Sizing the grid and filling it in: Apply, the Enter command by button and by
// the Return key, the timer's rules, and the spin control.
#include <QToolButton>

#include "window_fixture.h"

namespace brennic::ui::test {
namespace {

TEST_F(WindowTest, TimerEnablesEnterByTheInputTextOnlyAfterApply) {
    // clang-format off
    struct Rule { const char* name; const char* input; bool enabled; /* once applied */ };
    const Rule rules[] = {
        {"lone_zero", "0", true},     {"zero_point_zero", "0.0", false}, {"two_zeros", "00", false},
        {"blank_zero", " 0", false},  {"zero_blank", "0 ", false},       {"letters", "abc", false},
        {"minus_zero", "-0", false},  {"lone_point", ".", false},        {"empty", "", false},
        {"negative", "-3", true},     {"exponent", "1e2", true},         {"fraction", "0.5", true},
        {"number_then_letters", "5abc", true}};
    // clang-format on
    for (bool applied : {false, true}) {
        if (applied) {
            applySize("2");
            EXPECT_FALSE(button("cmdDoIt")->isEnabled()); // not by Apply itself
        }
        for (const Rule& rule : rules) {
            SCOPED_TRACE(std::string(rule.name) + (applied ? " applied" : " before Apply"));
            input()->setText(rule.input);
            window->TimerStep();
            EXPECT_EQ(button("cmdEnter")->isEnabled(), applied && rule.enabled);
            EXPECT_EQ(button("cmdDoIt")->isEnabled(), applied);
        }
    }
}

TEST_F(WindowTest, ApplySizesTheGridOrRefusesAndChangesNothing) {
    fill(3, {"7"});
    // In order; a refused size leaves the previous row's grid. The grid always has
    // MatrixSize + 1 rows and columns.
    // clang-format off
    struct Size { const char* name; const char* typed; const char* shown; int n; bool refused; };
    const Size sizes[] = {
        {"one_raised_to_two", "1", "2", 2, false},  {"five", "5", "5", 5, false},
        {"letters_refused", "abc", "abc", 5, true}, {"half_down_to_even", "2.5", "2.5", 2, false},
        {"empty_refused", "", "", 2, true},         {"half_up_to_even", "3.5", "3.5", 4, false},
        {"lone_sign_refused", "-", "-", 4, true},   {"above_254_refused", "300", "300", 4, true},
        {"largest", "254", "254", 254, false},      {"to_255_refused", "254.6", "254.6", 254, true},
        {"negative_raised", "-7", "2", 2, false},   {"design_two", "2", "2", 2, false}};
    // clang-format on
    for (const Size& size : sizes) {
        SCOPED_TRACE(size.name);
        messages.shown.clear();
        applySize(size.typed);
        window->TimerStep(); // nor does the timer touch a size above 2 or no number
        ASSERT_EQ(messages.shown.size(), size.refused ? 1u : 0u);
        if (size.refused) {
            EXPECT_EQ(messages.shown[0].title, "Error in your input");
        }
        EXPECT_EQ(sizeBox()->text(), size.shown);
        EXPECT_EQ(grid()->Rows(), size.n + 1);
        EXPECT_EQ(grid()->Cols(), size.n + 1);
        EXPECT_EQ(window->state().MatrixSize, size.n);
        EXPECT_EQ(grid()->cellText(1, 1), "7");
        EXPECT_EQ(current(), std::make_pair(1, 2));
    }
}

TEST_F(WindowTest, ApplyKeepsTextsInsideTheNewSize) {
    fill(3, {"11", "12", "13", "21", "22", "23", "31", "32", "33"});
    // Cells (r, c) with r, c <= kept still hold "rc"; the rest are empty.
    // clang-format off
    struct Step { const char* name; const char* size; int n, kept; std::pair<int, int> cursor; };
    const Step steps[] = {
        {"three_to_four", "4", 4, 3, {3, 3}}, {"same_size_again", "4", 4, 3, {3, 3}},
        {"four_to_two", "2", 2, 2, {2, 2}},   {"dropped_texts_stay_gone", "4", 4, 2, {2, 2}}};
    // clang-format on
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        applySize(step.size);
        ASSERT_EQ(grid()->Rows(), step.n + 1);
        for (int r = 1; r <= step.n; ++r)
            for (int c = 1; c <= step.n; ++c)
                EXPECT_EQ(grid()->cellText(r, c),
                          r <= step.kept && c <= step.kept ? QString::number(r * 10 + c) : "")
                    << r << "," << c;
        EXPECT_EQ(current(), step.cursor);
    }
}

TEST_F(WindowTest, EnterButtonFillsRowByRowAndGivesTheFocusBack) {
    applySize("2");
    // clang-format off
    struct Commit { const char* text; std::pair<int, int> written, next; };
    const Commit commits[] = {{"11", {1, 1}, {1, 2}}, {"12", {1, 2}, {2, 1}},
                              {"21", {2, 1}, {2, 2}}, {"22", {2, 2}, {2, 2}},
                              {"99", {2, 2}, {2, 2}}};
    // clang-format on
    for (const Commit& commit : commits) {
        SCOPED_TRACE(commit.text);
        input()->setText(commit.text);
        window->TimerStep();
        grid()->setFocus();
        click("cmdEnter");
        EXPECT_EQ(grid()->cellText(commit.written.first, commit.written.second), commit.text);
        EXPECT_EQ(current(), commit.next);
        EXPECT_EQ(input()->text(), commit.text); // the box is not cleared
        EXPECT_EQ(window->focusWidget(), input());
        EXPECT_TRUE(!active || input()->hasFocus());
    }
}

TEST_F(WindowTest, ReturnKeyCommitsWhetherOrNotEnterIsEnabled) {
    // The cell is chosen with the mouse; size 0 is no Apply yet.
    // clang-format off
    struct Return { const char* name; int size; std::pair<int, int> cell, next; const char* text; };
    const Return returns[] = {
        {"empty_box_after_apply", 2, {1, 1}, {1, 2}, ""},
        {"before_apply_stays", 0, {1, 1}, {1, 1}, "5"},
        {"row_end_to_next_row", 3, {1, 3}, {2, 1}, "13"},
        {"last_cell_stays", 3, {3, 3}, {3, 3}, "33"}};
    // clang-format on
    for (const Return& ret : returns) {
        SCOPED_TRACE(ret.name);
        open(dir);
        if (ret.size > 0)
            fill(ret.size, {"7"});
        const QModelIndex cell = grid()->model()->index(ret.cell.first - 1, ret.cell.second - 1);
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {},
                          grid()->visualRect(cell).center());
        ASSERT_EQ(current(), ret.cell);
        commit(ret.text);
        EXPECT_EQ(grid()->cellText(ret.cell.first, ret.cell.second), ret.text);
        EXPECT_EQ(current(), ret.next);
    }
}

TEST_F(WindowTest, TimerRaisesTheSizeToTwoUnlessItIsBeingTyped) {
    // clang-format off
    struct Clamp { const char* name; const char* typed; bool typing; const char* after; };
    const Clamp clamps[] = {
        {"one_raised", "1", false, "2"},        {"zero_raised", "0", false, "2"},
        {"fraction_raised", "1.5", false, "2"}, {"two_left", "2", false, "2"},
        {"letters_left", "abc", false, "abc"},  {"empty_left", "", false, ""},
        {"typing_twelve_left", "1", true, "1"}, {"focus_gone_raised", "1", false, "2"}};
    // clang-format on
    for (const Clamp& clamp : clamps) {
        SCOPED_TRACE(clamp.name);
        if (clamp.typing && !active)
            continue; // the focus needs an active window
        (clamp.typing ? static_cast<QWidget*>(sizeBox()) : grid())->setFocus();
        sizeBox()->setText(clamp.typed);
        window->TimerStep();
        EXPECT_EQ(sizeBox()->text(), clamp.after);
    }
}

TEST_F(WindowTest, SpinControlStepsWithinZeroToTen) {
    QToolButton* arrows[2] = {}; // up, down
    for (QToolButton* b : find<QWidget>("UpDown1")->findChildren<QToolButton*>())
        arrows[b->arrowType() == Qt::UpArrow ? 0 : 1] = b;
    ASSERT_TRUE(arrows[0] && arrows[1]);
    // In order: a box without a whole number from 0 to 10 steps from the last value.
    // clang-format off
    struct Spin { const char* name; const char* shown; bool up; const char* after; };
    const Spin spins[] = {
        {"up_from_shown", "2", true, "3"},       {"down_from_shown", "5", false, "4"},
        {"held_at_ten", "10", true, "10"},       {"held_at_zero", "0", false, "0"},
        {"letters_from_last", "abc", true, "1"}, {"above_ten_from_last", "12", true, "2"},
        {"below_two", "2", false, "1"}};
    // clang-format on
    for (const Spin& spin : spins) {
        SCOPED_TRACE(spin.name);
        sizeBox()->setText(spin.shown);
        QTest::mouseClick(arrows[spin.up ? 0 : 1], Qt::LeftButton);
        EXPECT_EQ(sizeBox()->text(), spin.after);
    }
    window->TimerStep(); // spun below two: raised again
    EXPECT_EQ(sizeBox()->text(), "2");
}

} // namespace
} // namespace brennic::ui::test
