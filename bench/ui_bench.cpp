// Speed of the main window's commands at the largest matrix, on the real widgets.
#include <benchmark/benchmark.h>

#include <QLineEdit>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "platform/program_starter.h"
#include "ui/flex_grid.h"
#include "ui/frm_brennic.h"
#include "ui/services.h"
#include "ui/status_bar.h"

namespace {

using namespace brennic;

struct QuietMessages : ui::MessageBoxes {
    int shown = 0;
    void Show(const QString&, const QString&, Icon) override { ++shown; }
};
struct NoSave : ui::SaveDialog {
    std::optional<QString> AskSavePath(const QString&, const QStringList&, int) override {
        return std::nullopt;
    }
};
struct NoExit : ui::ProgramExit {
    void Exit() override {}
};
struct NoStarter : platform::ProgramStarter {
    bool Start(const std::string&) override { return false; }
};

// A main window over a program directory of its own, sized and filled at n.
class Window {
  public:
    explicit Window(int n)
        : m_dir(std::filesystem::temp_directory_path() /
                ("brennic-bench-" + std::to_string(::getpid()))),
          m_window(makeServices()) {
        std::filesystem::create_directories(m_dir);
        size(n);
    }
    ~Window() { std::filesystem::remove_all(m_dir); }

    ui::FrmBrennic& window() { return m_window; }
    ui::FlexGrid& grid() { return *m_window.findChild<ui::FlexGrid*>("FlexGrid"); }
    QLineEdit& edit(const char* name) { return *m_window.findChild<QLineEdit*>(name); }
    QString status() { return m_window.findChild<ui::StatusBar*>("StatusBar1")->SimpleText(); }
    std::string resultBytes() {
        std::ifstream in(m_dir / "Result.txt", std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        return bytes.str();
    }
    int messages() const { return m_messages.shown; }

    void size(int n) {
        edit("Text1").setText(QString::number(n));
        m_window.Apply();
    }
    // The worked example in the top-left corner and 0 in every other cell.
    void fillWorkedExample(int n) {
        static const char* example[3][3] = {{"20", "5", "0"}, {"3", "15", "2"}, {"2", "5", "48"}};
        ui::FlexGrid::Batch batch(grid());
        for (int r = 1; r <= n; ++r)
            for (int c = 1; c <= n; ++c) {
                grid().setCol(c);
                grid().setRow(r);
                grid().setText(r <= 3 && c <= 3 ? example[r - 1][c - 1] : "0");
            }
    }

  private:
    ui::FrmBrennicServices makeServices() {
        return ui::FrmBrennicServices{m_messages, m_save,         m_exit, m_starter,
                                      nullptr,    m_dir.string(), '.',    96.0};
    }

    std::filesystem::path m_dir;
    QuietMessages m_messages;
    NoSave m_save;
    NoExit m_exit;
    NoStarter m_starter;
    ui::FrmBrennic m_window;
};

const std::string WorkedExampleValues =
    " 0.3875  0.83  0.722448979591837  0.599793371618005  0.845104587565668 "
    " 0.0795394908975717  9.0828967024969 \r\n";

// Apply from the smallest grid to n, with the texts of the small grid kept.
void BM_Apply(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    Window w(2);
    w.fillWorkedExample(2);
    for (auto _ : state) {
        state.PauseTiming();
        w.size(2);
        state.ResumeTiming();
        w.size(n);
    }
    if (w.grid().Rows() != n + 1 || w.grid().cellText(2, 2) != "15")
        state.SkipWithError("Apply did not size the grid or lost a text");
}
BENCHMARK(BM_Apply)->Arg(254)->Unit(benchmark::kMillisecond);

// One Enter command into a grid of size n.
void BM_Enter(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    Window w(n);
    w.edit("txtInput").setText("7");
    for (auto _ : state) {
        w.window().EnterCommand();
        if (w.grid().Row() == n && w.grid().Col() == n) {
            state.PauseTiming();
            w.grid().setRow(1);
            w.grid().setCol(1);
            state.ResumeTiming();
        }
    }
    if (w.grid().cellText(1, 1) != "7")
        state.SkipWithError("Enter did not write the cell");
}
BENCHMARK(BM_Enter)->Arg(254)->Unit(benchmark::kMicrosecond);

// Do It on a full grid, from the click to the status text, file written.
void BM_DoIt(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    Window w(n);
    w.fillWorkedExample(n);
    for (auto _ : state)
        w.window().DoIt();
    const std::string bytes = w.resultBytes();
    if (w.messages() != 0 || bytes.size() < WorkedExampleValues.size() ||
        bytes.compare(bytes.size() - WorkedExampleValues.size(), std::string::npos,
                      WorkedExampleValues) != 0 ||
        !w.status().startsWith("Results have been written to "))
        state.SkipWithError("Do It did not write the worked example's figures");
}
BENCHMARK(BM_DoIt)->Arg(3)->Arg(254)->Unit(benchmark::kMillisecond);

// Output view: the result file loaded into the shown box.
void BM_OutputView(benchmark::State& state) {
    Window w(3);
    w.fillWorkedExample(3);
    w.window().DoIt();
    for (auto _ : state)
        w.window().OutputView();
    if (w.messages() != 0 || !w.status().startsWith("For easier viewing"))
        state.SkipWithError("Output view did not show the file");
}
BENCHMARK(BM_OutputView)->Unit(benchmark::kMillisecond);

} // namespace
