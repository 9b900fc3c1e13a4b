#pragma once

#include <QObject>

class UpdateChecker;

// What the main window and its menus need of the update checker: whether an update is
// required (content blocked, Export and Inspect disabled), whether a check runs ("Check for
// Updates…" disabled), and the check the menu starts.
class UpdateGate : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    virtual bool required() const = 0;
    virtual bool checking() const = 0;
    virtual void checkFromMenu() = 0;

signals:
    void changed();
};

// The gate over the application's update checker.
class CheckerUpdateGate final : public UpdateGate {
    Q_OBJECT
public:
    explicit CheckerUpdateGate(UpdateChecker& checker, QObject* parent = nullptr);
    bool required() const override;
    bool checking() const override;
    void checkFromMenu() override;

private:
    UpdateChecker& checker_;
};
