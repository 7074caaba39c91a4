// How long the console keeps a window event waiting while a loop-read test runs: the console
// (main window and EPC loop-read screen) bound to the build's library, linked over a
// pseudo-terminal to readersim pacing its replies at the baud rate, runs the test with every
// step ticked; meanwhile another thread posts an event every 2 ms, and the console's thread
// notes how long each one waited before it was handled. The same is measured with the
// console idle, for comparison. Prints one table.
//
// Usage: console_latency [SECONDS per run] (default 10). Needs a Qt platform: bench/run sets
// QT_QPA_PLATFORM=offscreen.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/measure.h"
#include "bench/reader_process.h"
#include "console/screens.h"
#include "console/shell/binding.h"
#include "console/shell/main_window.h"
#include "console/shell/screen_registry.h"
#include "sim/scenario.h"

namespace {

using kestrel::bench::Clock;
using kestrel::bench::quantile;

// An event that carries the moment it was posted.
class StampedEvent : public QEvent {
public:
    static const QEvent::Type kType;
    StampedEvent() : QEvent(kType), posted(Clock::now()) {}
    const Clock::time_point posted;
};
const QEvent::Type StampedEvent::kType = static_cast<QEvent::Type>(QEvent::registerEventType());

// Lives in the console's thread and notes each stamped event's wait.
class Receiver : public QObject {
public:
    std::vector<double> waits_ms;
    bool event(QEvent* e) override {
        if (e->type() != StampedEvent::kType) return QObject::event(e);
        waits_ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - static_cast<StampedEvent*>(e)->posted).count());
        return true;
    }
};

// Posts a stamped event to `to` every 2 ms until destroyed.
class Poster {
public:
    explicit Poster(Receiver& to)
        : thread_([this, &to] {
              while (!done_) {
                  QCoreApplication::postEvent(&to, new StampedEvent);
                  std::this_thread::sleep_for(std::chrono::milliseconds(2));
              }
          }) {}
    ~Poster() {
        done_ = true;
        thread_.join();
    }

private:
    std::atomic<bool> done_{false};
    std::thread thread_;
};

template <class T>
T* control(QWidget* in, const char* name) {
    T* w = in->findChild<T*>(QString::fromLatin1(name));
    if (!w) {
        std::fprintf(stderr, "console_latency: no control %s\n", name);
        std::exit(1);
    }
    return w;
}

struct Row {
    std::string what;
    double seconds = 0;
    unsigned cycles = 0;
    std::vector<double> waits;
};

void print(const std::vector<Row>& rows) {
    std::printf("| console, event wait | seconds | loop cycles | events | p50 ms | p99 ms | max ms |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|\n");
    for (const Row& r : rows) {
        double max = 0;
        for (double w : r.waits) max = std::max(max, w);
        std::printf("| %s | %.1f | %u | %zu | %.2f | %.2f | %.2f |\n", r.what.c_str(), r.seconds, r.cycles, r.waits.size(), quantile(r.waits, 0.5),
                    quantile(r.waits, 0.99), max);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    QApplication app(argc, argv);

    char dir[] = "/tmp/kestrel-console-latency-XXXXXX";
    if (::mkdtemp(dir) == nullptr) return 1;
    const std::string scenario = std::string(dir) + "/default.json";
    std::ofstream(scenario) << kestrel::sim::default_scenario();

    std::vector<Row> rows;
    for (const std::uint32_t baud : {9600u, 115200u}) {
        kestrel::bench::ReaderProcess reader;
        if (!reader.start(KESTREL_READERSIM, scenario, baud)) {
            std::fprintf(stderr, "console_latency: %s\n", reader.error().c_str());
            return 1;
        }
        ::setenv("KESTREL_COM1", reader.terminal().c_str(), 1);
        plover::Binding binding({{QStringLiteral(KESTREL_LIBRARY_PATH), "bench"}});
        plover::MainWindow heron(binding);
        plover::registerScreens(heron);
        heron.show();
        control<QComboBox>(&heron, "PORT")->setCurrentText(QStringLiteral("COM1"));
        control<QComboBox>(&heron, "BaudRate")->setCurrentText(QString::number(baud));
        control<QLineEdit>(&heron, "pc_id")->setText(QStringLiteral("01"));
        control<QPushButton>(&heron, "linka")->click();
        control<QPushButton>(&heron, "EPC_Cycle_Read")->click();
        QWidget* loop = heron.screens().find(QStringLiteral("EPC_TAG_Loop_Read"));
        if (!loop) {
            std::fprintf(stderr, "console_latency: the loop-read screen did not open\n");
            return 1;
        }
        control<QCheckBox>(loop, "read_enable")->setChecked(true);
        control<QCheckBox>(loop, "write_enable")->setChecked(true);

        for (const bool looping : {false, true}) {
            Receiver receiver;
            const auto started = Clock::now();
            {
                Poster poster(receiver);
                QPushButton* test = control<QPushButton>(loop, "Command1");
                if (looping) {
                    // The click runs the loop until the timer's click (in an event step) stops it.
                    QTimer::singleShot(seconds * 1000, test, [test] { test->click(); });
                    test->click();
                } else {
                    QTimer idle;
                    idle.setSingleShot(true);
                    idle.start(seconds * 1000);
                    while (idle.isActive()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
                }
            }
            QCoreApplication::sendPostedEvents(&receiver);
            Row row;
            row.seconds = std::chrono::duration<double>(Clock::now() - started).count();
            row.what = (looping ? "loop read running, " : "idle, ") + std::to_string(baud) + " baud";
            if (looping) {
                const QString count = control<QLabel>(loop, "Loop_Count")->text();
                row.cycles = count.section(QStringLiteral("："), 1).section(QLatin1Char(' '), 0, 0).toUInt();
            }
            row.waits = std::move(receiver.waits_ms);
            rows.push_back(std::move(row));
        }
        binding.call(plover::exports::UnLinkCom);
    }
    print(rows);
    return 0;
}
