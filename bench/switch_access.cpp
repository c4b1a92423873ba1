// What the switch timings add to a click when acceptance time and
// post-acceptance delay are both 0: a mouse press and release on a button,
// through the application's event delivery, to the page command's entry, where
// the main window asks SwitchInput::admit() before it turns, with:
//   bare: no SwitchInput at all;
//   defaults: SwitchInput made and set to the default options, as the program
//     always runs (no event filter; admit() on every activation);
//   switch key: a select key chosen, timings still 0: the application-wide
//     event filter then sees every event of the window.
// The command itself (turning the page) is left out: it is the same in all
// three, and milliseconds long, which would hide a difference of nanoseconds.
// The clicks of the bare window and of the other alternate, and the figure is
// the median of the paired differences, which the machine's load does not skew.
#include "desktop/AccessOptions.h"
#include "support/WidgetApplication.h"
#include "ui/SwitchInput.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPushButton>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <vector>

using namespace tirvelo;

namespace {

enum class Machinery { None, Defaults, SwitchKey };

// A window with one button whose click runs the page command's entry, as
// TFormPrincipal::activate has it, with or without the switch machinery.
class ClickTarget {
public:
    explicit ClickTarget(Machinery machinery)
    {
        m_window.resize(300, 200);
        m_button = new QPushButton(QStringLiteral("Següent"), &m_window);
        m_button->setGeometry(10, 10, 120, 60);
        m_window.show();
        if (machinery != Machinery::None) {
            m_switches = std::make_unique<SwitchInput>(&m_window, SwitchInput::Actions{[] {}, [] {}, [] { return std::function<void()>(); }, [] {}, {}});
            m_switches->setPressTargets(nullptr, {m_button});
            AccessOptions options;
            if (machinery == Machinery::SwitchKey)
                options.selectKey = SwitchKey::Space;
            m_switches->setOptions(options);
        }
        QObject::connect(m_button, &QPushButton::clicked, [this] {
            if (m_switches && !m_switches->admit())
                return;
            ++turns;
        });
        QCoreApplication::processEvents();
    }

    // Wall-clock nanoseconds of one press and release delivered to the button.
    qint64 click()
    {
        const QPointF inside(60, 30);
        const QPointF global = m_button->mapToGlobal(inside);
        QMouseEvent press(QEvent::MouseButtonPress, inside, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, inside, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QElapsedTimer clock;
        clock.start();
        QApplication::sendEvent(m_button, &press);
        QApplication::sendEvent(m_button, &release);
        return clock.nsecsElapsed();
    }

    long long turns = 0;

private:
    QWidget m_window;
    QPushButton* m_button = nullptr;
    std::unique_ptr<SwitchInput> m_switches;
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// Clicks alternate between a window without the machinery and one with it, so
// that the machine's load falls on both alike; the figure is the median of the
// paired differences.
void clickPairs(benchmark::State& state, Machinery machinery)
{
    bench::widgetApplication("bench_switch_access", "offscreen");
    ClickTarget bare(Machinery::None);
    ClickTarget with(machinery);
    std::vector<double> bareNs, withNs, addedNs;
    bool withFirst = false;
    for (auto _ : state) {
        qint64 b = 0, w = 0;
        if (withFirst) {
            w = with.click();
            b = bare.click();
        } else {
            b = bare.click();
            w = with.click();
        }
        withFirst = !withFirst;
        bareNs.push_back(double(b));
        withNs.push_back(double(w));
        addedNs.push_back(double(w - b));
        state.SetIterationTime(double(b + w) / 1e9);
    }
    if (bare.turns != state.iterations() || with.turns != state.iterations())
        state.SkipWithError("a click did not reach the page command");
    state.counters["bare_median_ns"] = median(bareNs);
    state.counters["with_median_ns"] = median(withNs);
    state.counters["added_median_ns"] = median(addedNs);
}

// Two bare windows: how far apart two windows without any difference measure.
void BM_ClickControlTwoBareWindows(benchmark::State& state) { clickPairs(state, Machinery::None); }
void BM_ClickWithSwitchInputAtDefaults(benchmark::State& state) { clickPairs(state, Machinery::Defaults); }
void BM_ClickWithASwitchKeyChosen(benchmark::State& state) { clickPairs(state, Machinery::SwitchKey); }
BENCHMARK(BM_ClickControlTwoBareWindows)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(20000);
BENCHMARK(BM_ClickWithSwitchInputAtDefaults)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(20000);
BENCHMARK(BM_ClickWithASwitchKeyChosen)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(20000);

} // namespace
