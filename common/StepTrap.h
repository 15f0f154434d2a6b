#pragma once

#include <QString>

#include <functional>

class Desktop;

// Runs the numbered steps of one handler. A failing step is reported in the
// uniform error box with the handler's location and the step's number, and
// the handler goes on with its next step. Nothing thrown escapes. Whoever
// owns the handler names its location; the work it calls only numbers steps.
class StepTrap {
public:
    StepTrap(Desktop& desktop, QString location);

    // Runs an ordinary step; true when it did not fail.
    bool step(int line, const std::function<void()>& body);

    // Runs the test of a choice. A failing test counts as passed, so the
    // caller runs the branch the test guards.
    bool test(int line, const std::function<bool()>& condition);

    // The full text of the error box for a failure at this line.
    static QString composeText(const QString& description, const QString& location, int line);

    static const QString SupportAddress;

private:
    void report(const QString& description, int line);

    Desktop& desktop_;
    QString location_;
};
