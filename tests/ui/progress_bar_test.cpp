// SPDX-License-Identifier: MIT
// The engines' progress on a window's bar: an engine reports every block,
// the bar changes about once a percent, and what it shows at the end is the
// whole file, past the range of its int too.
#include "ui/qt_progress.h"

#include <QProgressBar>
#include <QSignalSpy>
#include <QTest>

using namespace tavelin;

namespace {

constexpr std::int64_t kBlock = 512;

// An engine's reports for a file of `size` bytes, one a block; `between`
// runs after each, as the engine's waits on the line run the event loop.
template <typename Between>
void Transfer(transfer::ProgressIndicator& progress, std::int64_t size, Between between)
{
    progress.SetMin(0);
    progress.SetMax(size);
    progress.SetValue(0);
    progress.SetVisible(true);
    between();
    for (std::int64_t done = 0; done < size;) {
        done = std::min(size, done + kBlock);
        progress.SetValue(done);
        between();
    }
}

} // namespace

class ProgressBarTest : public QObject {
    Q_OBJECT

private slots:
    // The worst case for the bar: shown after every block of a 1 MB file
    // and of a 5 GB one (scaled into the bar's int): it changes once a
    // percent, shows each file whole at its end, and starts the next file
    // at nothing.
    void aBarShownEveryBlockChangesOnceAPercent()
    {
        QProgressBar bar;
        ui::ProgressBarPainter painter(&bar);
        ui::LatchedProgress progress;
        QSignalSpy changed(&bar, &QProgressBar::valueChanged);

        Transfer(progress, 1 << 20, [&] { painter.Show(progress); });
        QCOMPARE(changed.count(), 101); // 0 % to 100 %, 2,048 blocks
        QCOMPARE(bar.value(), bar.maximum());
        QCOMPARE(bar.text(), QStringLiteral("100%"));

        changed.clear();
        const std::int64_t huge = 5LL << 30;
        int halfway = -1;
        progress.SetMax(huge);
        progress.SetValue(0);
        painter.Show(progress);
        QCOMPARE(bar.value(), bar.minimum());
        for (std::int64_t done = 0; done < huge; done += 1 << 20) { // a megabyte a report: a quicker test
            progress.SetValue(done);
            painter.Show(progress);
            if (done == huge / 2)
                halfway = bar.value();
        }
        progress.SetValue(huge);
        painter.Show(progress);
        QCOMPARE(changed.count(), 101);
        QCOMPARE(bar.value(), bar.maximum());
        QVERIFY(bar.maximum() > bar.minimum());
        QCOMPARE(halfway - bar.minimum(), (bar.maximum() - bar.minimum()) / 2);

        progress.SetVisible(false); // between files the bar hides
        QVERIFY(!painter.Show(progress));
        QVERIFY(bar.isHidden());
    }

    void percentsOfOddRanges()
    {
        using P = ui::ProgressBarPainter;
        QCOMPARE(P::Percent(0, 0, 0), 0);     // an empty file
        QCOMPARE(P::Percent(0, 0, 512), 100); // more than the size said
        QCOMPARE(P::Percent(0, 100, -5), 0);
        QCOMPARE(P::Percent(0, 1000, 999), 99); // 100 % only at the end
        QCOMPARE(P::Percent(100, 200, 150), 50);
        const std::int64_t most = std::numeric_limits<std::int64_t>::max();
        QCOMPARE(P::Percent(0, most, most / 2), 50); // no overflow
    }

    // Through the feed, as the windows have it: a whole file's reports
    // between two of its timer's beats reach the bar as one change.
    void theFeedTakesTheLatestReportAtItsBeat()
    {
        QProgressBar bar;
        ui::ProgressBarFeed feed(&bar);
        QSignalSpy changed(&bar, &QProgressBar::valueChanged);
        Transfer(feed.Indicator(), 1 << 20, [] {});
        QCOMPARE(changed.count(), 1); // shown at 0 % as it became visible
        QTRY_COMPARE(bar.value(), bar.maximum());
        QCOMPARE(changed.count(), 2);
        feed.Indicator().SetVisible(false);
        QVERIFY(bar.isHidden());
    }
};

QTEST_MAIN(ProgressBarTest)
#include "progress_bar_test.moc"
