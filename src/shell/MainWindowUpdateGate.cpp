#include "shell/MainWindowUpdateGate.h"

#include "updates/UpdateChecker.h"

CheckerUpdateGate::CheckerUpdateGate(UpdateChecker& checker, QObject* parent) : UpdateGate(parent), checker_(checker)
{
    connect(&checker_, &UpdateChecker::stateChanged, this, &UpdateGate::changed);
    connect(&checker_, &UpdateChecker::isCheckingChanged, this, &UpdateGate::changed);
}

bool CheckerUpdateGate::required() const { return checker_.state().isRequired(); }
bool CheckerUpdateGate::checking() const { return checker_.isChecking(); }
void CheckerUpdateGate::checkFromMenu() { checker_.checkFromMenu(); }
