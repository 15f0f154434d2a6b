#include "common/StepTrap.h"

#include "common/Desktop.h"
#include "common/Failure.h"

#include <exception>
#include <new>
#include <utility>

const QString StepTrap::SupportAddress = QStringLiteral("support@quillmark.example");

StepTrap::StepTrap(Desktop& desktop, QString location) : desktop_(desktop), location_(std::move(location)) {}

QString StepTrap::composeText(const QString& description, const QString& location, int line)
{
    return description + QStringLiteral("\r\n") + location + QStringLiteral("at line ") + QString::number(line)
           + QStringLiteral("\r\r") + QStringLiteral("Please email screenshot of this message to ") + SupportAddress;
}

void StepTrap::report(const QString& description, int line)
{
    desktop_.errorBox(composeText(description, location_, line));
}

bool StepTrap::step(int line, const std::function<void()>& body)
{
    try {
        body();
        return true;
    } catch (const Failure& failure) {
        report(failure.description(), line);
    } catch (const std::bad_alloc&) {
        report(QStringLiteral("Out of memory"), line);
    } catch (const std::exception& error) {
        report(QString::fromLocal8Bit(error.what()), line);
    } catch (...) {
        report(QStringLiteral("Unexpected failure"), line);
    }
    return false;
}

bool StepTrap::test(int line, const std::function<bool()>& condition)
{
    bool result = true; // a failed test runs its branch
    step(line, [&] { result = condition(); });
    return result;
}
