#include "dock/LauncherBadge.h"

#include "dock/SignalSink.h"

#include <QDBusMessage>
#include <QVariantMap>

#include <utility>

LauncherBadge::LauncherBadge(SignalSink& sink, QString appUri, std::function<qint64()> clockMs, QObject* parent)
    : QObject(parent), sink_(sink), appUri_(std::move(appUri)), clockMs_(std::move(clockMs))
{
    heldBack_.setSingleShot(true);
    connect(&heldBack_, &QTimer::timeout, this, &LauncherBadge::sendDue);
}

void LauncherBadge::walkStarted(qint64 lines)
{
    walking_ = true;
    walkStartMs_ = clockMs_();
    // Whoever starts a walk is at the window.
    wanted_ = Shown{lines, true, false};
    sendDue();
}

void LauncherBadge::linesChanged(qint64 lines)
{
    if (!walking_)
        return;
    wanted_.count = lines;
    sendDue();
}

void LauncherBadge::walkEnded(qint64 lines, bool windowActive)
{
    if (!walking_)
        return;
    walking_ = false;
    wanted_ = Shown{lines, false, !windowActive && clockMs_() - walkStartMs_ > LongWalkMs};
    sendDue();
}

void LauncherBadge::windowActivated()
{
    wanted_.urgent = false;
    sendDue();
}

std::optional<qint64> LauncherBadge::heldUntilMs() const
{
    if (wanted_ == sent_ || !lastSendMs_)
        return std::nullopt;
    return *lastSendMs_ + MinimumGapMs;
}

void LauncherBadge::sendDue()
{
    if (wanted_ == sent_) {
        heldBack_.stop();
        return;
    }
    const qint64 now = clockMs_();
    if (lastSendMs_ && now - *lastSendMs_ < MinimumGapMs) {
        if (!heldBack_.isActive())
            heldBack_.start(static_cast<int>(*lastSendMs_ + MinimumGapMs - now));
        return;
    }
    QVariantMap properties{
        {QStringLiteral("count"), QVariant::fromValue<qint64>(wanted_.count)},
        {QStringLiteral("count-visible"), wanted_.countVisible},
    };
    // Attention is asked for and given back; otherwise the dock keeps what it had.
    if (wanted_.urgent != sent_.urgent)
        properties.insert(QStringLiteral("urgent"), wanted_.urgent);
    QDBusMessage signal =
        QDBusMessage::createSignal(QStringLiteral("/example/quillmark/Scrivlist"),
                                   QStringLiteral("com.canonical.Unity.LauncherEntry"), QStringLiteral("Update"));
    signal << appUri_ << properties;
    sink_.send(signal);
    sent_ = wanted_;
    lastSendMs_ = now;
    heldBack_.stop();
}
