#include "StepRunner.h"

#include "Failure.h"

namespace platform {

namespace {

std::size_t indexOfLine(const Procedure& procedure, int line) {
    for (std::size_t i = 0; i < procedure.steps.size(); ++i) {
        if (procedure.steps[i].line == line) return i;
    }
    throw StepTableError("step table of " + procedure.location.toStdString() + "has no line " +
                           std::to_string(line));
}

// Where `target` leads from the step at `current`; steps.size() means the procedure ends.
std::size_t resolve(const Procedure& procedure, std::size_t current, int target) {
    if (target == kNext) return current + 1;
    if (target == kEnd) return procedure.steps.size();
    return indexOfLine(procedure, target);
}

}  // namespace

StepRunner::StepRunner(ErrorReporter report, std::function<bool()> stopped)
    : m_report(std::move(report)), m_stopped(std::move(stopped)) {}

void StepRunner::run(const Procedure& procedure) const {
    std::size_t at = 0;
    while (at < procedure.steps.size()) {
        if (m_stopped && m_stopped()) return;
        const Step& step = procedure.steps[at];
        int target = kNext;
        bool failed = false;
        QString description;
        try {
            target = step.action ? step.action() : kNext;
        } catch (const Failure& failure) {
            failed = true;
            description = failure.description();
        } catch (const StepTableError&) {
            throw;  // a broken table is a programming fault, not a step failure
        } catch (const std::exception& other) {
            failed = true;
            description = QString::fromUtf8(other.what());
        }
        if (failed) {
            if (m_report) m_report(procedure.location, step.line, description);
            target = step.onFailure;
        }
        at = resolve(procedure, at, target);
    }
}

}  // namespace platform
