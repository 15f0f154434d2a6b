#include "dock/LauncherBadge.h"
#include "dock/SignalSink.h"

#include <QDBusMessage>
#include <QtTest>

namespace {

const QString AppUri = QStringLiteral("application://example.quillmark.Scrivlist.desktop");

// What happens to the badge at one moment.
struct Event {
    enum Kind { Start, Lines, End, Activate };
    qint64 at;
    Kind kind;
    qint64 lines = 0;
    bool windowActive = true;
};

// One signal as the dock reads it; urgent is -1 when the signal leaves it out.
struct Update {
    qint64 at;
    qint64 count;
    bool countVisible;
    int urgent = -1;
    bool operator==(const Update& other) const
    {
        return at == other.at && count == other.count && countVisible == other.countVisible && urgent == other.urgent;
    }
};

char* toString(const Update& update)
{
    return QTest::toString(QStringLiteral("{at %1: count %2, visible %3, urgent %4}")
                               .arg(update.at)
                               .arg(update.count)
                               .arg(update.countVisible)
                               .arg(update.urgent));
}

// A bus connection that keeps what it was handed, with the time.
struct RecordingSink : SignalSink {
    explicit RecordingSink(const qint64& clock) : clock(clock) {}
    void send(const QDBusMessage& signal) override
    {
        messages << signal;
        times << clock;
    }
    const qint64& clock;
    QList<QDBusMessage> messages;
    QList<qint64> times;
};

// The events in order on a badge over a clock the test moves, with the
// held-back timer firing exactly when it is due, as the event loop would.
struct BadgeRun {
    BadgeRun() : sink(now), badge(sink, AppUri, [this] { return now; }) {}

    // False when a change due to go out stayed held.
    bool fireDueUntil(qint64 until)
    {
        while (const std::optional<qint64> due = badge.heldUntilMs()) {
            if (*due > until)
                return true;
            now = *due;
            badge.sendDue();
            if (badge.heldUntilMs() == due)
                return false;
        }
        return true;
    }

    bool play(const QList<Event>& events)
    {
        for (const Event& event : events) {
            if (!fireDueUntil(event.at))
                return false;
            now = event.at;
            switch (event.kind) {
            case Event::Start:
                badge.walkStarted(event.lines);
                break;
            case Event::Lines:
                badge.linesChanged(event.lines);
                break;
            case Event::End:
                badge.walkEnded(event.lines, event.windowActive);
                break;
            case Event::Activate:
                badge.windowActivated();
                break;
            }
        }
        return fireDueUntil(std::numeric_limits<qint64>::max());
    }

    QList<Update> updates() const
    {
        QList<Update> read;
        for (qsizetype index = 0; index < sink.messages.size(); ++index) {
            const QVariantMap properties = sink.messages[index].arguments().value(1).toMap();
            read << Update{sink.times[index], properties.value(QStringLiteral("count")).toLongLong(),
                           properties.value(QStringLiteral("count-visible")).toBool(),
                           properties.contains(QStringLiteral("urgent"))
                               ? int(properties.value(QStringLiteral("urgent")).toBool())
                               : -1};
        }
        return read;
    }

    qint64 now = 0;
    RecordingSink sink;
    LauncherBadge badge;
};

} // namespace

Q_DECLARE_METATYPE(QList<Event>)
Q_DECLARE_METATYPE(QList<Update>)

class tst_dock : public QObject {
    Q_OBJECT
private slots:
    void updates_data();
    void updates();
    void signalIsTheLauncherEntryUpdate();
    void aSteadyStreamStaysWithinFourASecond();
    void aHeldChangeGoesOutFromTheEventLoop();
};

void tst_dock::updates_data()
{
    QTest::addColumn<QList<Event>>("events");
    QTest::addColumn<QList<Update>>("expected");
    using E = Event;
    QTest::newRow("a walk shows its count, its end hides it")
        << QList<Event>{{0, E::Start, 3}, {300, E::Lines, 5}, {1000, E::End, 9}}
        << QList<Update>{{0, 3, true}, {300, 5, true}, {1000, 9, false}};
    QTest::newRow("changes within a quarter second wait and merge")
        << QList<Event>{{0, E::Start, 0}, {10, E::Lines, 1}, {100, E::Lines, 2}, {249, E::Lines, 3}, {260, E::End, 3}}
        << QList<Update>{{0, 0, true}, {250, 3, true}, {500, 3, false}};
    QTest::newRow("a change taken back before it was due sends nothing")
        << QList<Event>{{0, E::Start, 4}, {100, E::Lines, 5}, {200, E::Lines, 4}, {1000, E::End, 4}}
        << QList<Update>{{0, 4, true}, {1000, 4, false}};
    QTest::newRow("fewer lines during a walk show too")
        << QList<Event>{{0, E::Start, 10}, {300, E::Lines, 0}, {400, E::End, 0}}
        << QList<Update>{{0, 10, true}, {300, 0, true}, {550, 0, false}};
    QTest::newRow("a walk of five seconds away from the window asks nothing")
        << QList<Event>{{0, E::Start, 0}, {5000, E::End, 2, false}} << QList<Update>{{0, 0, true}, {5000, 2, false}};
    QTest::newRow("a longer walk away from the window asks for attention until activation")
        << QList<Event>{{0, E::Start, 0}, {5001, E::End, 2, false}, {9000, E::Activate}}
        << QList<Update>{{0, 0, true}, {5001, 2, false, 1}, {9000, 2, false, 0}};
    QTest::newRow("a long walk ending in the active window asks nothing")
        << QList<Event>{{0, E::Start, 0}, {60000, E::End, 2, true}, {61000, E::Activate}}
        << QList<Update>{{0, 0, true}, {60000, 2, false}};
    QTest::newRow("activation before the held end went out asks nothing")
        << QList<Event>{{0, E::Start, 0}, {5900, E::Lines, 1}, {6000, E::End, 1, false}, {6100, E::Activate}}
        << QList<Update>{{0, 0, true}, {5900, 1, true}, {6150, 1, false}};
    QTest::newRow("a new walk gives attention back")
        << QList<Event>{{0, E::Start, 0}, {6000, E::End, 1, false}, {7000, E::Start, 1}}
        << QList<Update>{{0, 0, true}, {6000, 1, false, 1}, {7000, 1, true, 0}};
    QTest::newRow("a new walk right after the last one waits its turn")
        << QList<Event>{{0, E::Start, 0}, {300, E::End, 2}, {400, E::Start, 2}, {900, E::End, 6}}
        << QList<Update>{{0, 0, true}, {300, 2, false}, {550, 2, true}, {900, 6, false}};
    QTest::newRow("outside a walk lines and activation send nothing")
        << QList<Event>{{0, E::Lines, 3}, {100, E::Activate}, {400, E::Lines, 0}, {500, E::End, 0, false}}
        << QList<Update>{};
}

void tst_dock::updates()
{
    QFETCH(QList<Event>, events);
    QFETCH(QList<Update>, expected);
    BadgeRun run;
    QVERIFY2(run.play(events), "a change stayed held after it was due");
    QCOMPARE(run.updates(), expected);
}

void tst_dock::signalIsTheLauncherEntryUpdate()
{
    BadgeRun run;
    run.badge.walkStarted(Q_INT64_C(5000000000));
    QCOMPARE(run.sink.messages.size(), 1);
    const QDBusMessage& signal = run.sink.messages.constFirst();
    QCOMPARE(signal.type(), QDBusMessage::SignalMessage);
    QCOMPARE(signal.interface(), QStringLiteral("com.canonical.Unity.LauncherEntry"));
    QCOMPARE(signal.member(), QStringLiteral("Update"));
    QVERIFY(!signal.path().isEmpty());
    QCOMPARE(signal.arguments().size(), 2);
    QCOMPARE(signal.arguments()[0], QVariant(AppUri));
    QCOMPARE(signal.arguments()[1].metaType(), QMetaType::fromType<QVariantMap>());
    const QVariantMap properties = signal.arguments()[1].toMap();
    // The dock reads a{sv} with an int64 count: an int would be ignored.
    QCOMPARE(properties.value(QStringLiteral("count")).metaType(), QMetaType::fromType<qlonglong>());
    QCOMPARE(properties.value(QStringLiteral("count")).toLongLong(), Q_INT64_C(5000000000));
    QCOMPARE(properties.value(QStringLiteral("count-visible")).metaType(), QMetaType::fromType<bool>());
    QVERIFY(!properties.contains(QStringLiteral("urgent")));
}

void tst_dock::aSteadyStreamStaysWithinFourASecond()
{
    QList<Event> events{{0, Event::Start, 0}};
    for (qint64 at = 7, lines = 1; at < 3000; at += 7, ++lines)
        events << Event{at, Event::Lines, lines};
    events << Event{3001, Event::End, 999};
    BadgeRun run;
    QVERIFY(run.play(events));
    const QList<Update> sent = run.updates();
    for (qsizetype index = 1; index < sent.size(); ++index)
        QVERIFY2(sent[index].at - sent[index - 1].at >= LauncherBadge::MinimumGapMs,
                 qPrintable(QStringLiteral("updates at %1 and %2 ms").arg(sent[index - 1].at).arg(sent[index].at)));
    QVERIFY(sent.size() >= 3000 / LauncherBadge::MinimumGapMs);
    QCOMPARE(sent.constLast().count, 999);
    QVERIFY(!sent.constLast().countVisible);
}

void tst_dock::aHeldChangeGoesOutFromTheEventLoop()
{
    QElapsedTimer clock;
    clock.start();
    qint64 unused = 0;
    RecordingSink sink(unused);
    LauncherBadge badge(sink, AppUri, [&clock] { return clock.elapsed(); });
    badge.walkStarted(1);
    badge.linesChanged(2);
    QCOMPARE(sink.messages.size(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(sink.messages.size(), 2, 5000);
    QCOMPARE(sink.messages[1].arguments()[1].toMap().value(QStringLiteral("count")).toLongLong(), 2);
}

QTEST_GUILESS_MAIN(tst_dock)
#include "tst_dock.moc"
