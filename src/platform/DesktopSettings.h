#pragma once

#include <QDBusConnection>
#include <QDBusVariant>
#include <QObject>
#include <QVariant>

#include <optional>

// Desktop-wide interface settings that Qt does not expose.
namespace DesktopSettings {
// Whether the desktop wants interface animations (GNOME's "enable-animations", read
// through the desktop portal on the session bus). Absent when no desktop answers.
// Read once (a short time-out keeps a silent bus from stalling start-up), then kept
// current from the portal's SettingChanged announcements while the application runs.
std::optional<bool> animationsEnabled();

// Follows the portal's SettingChanged announcements on `bus` (the session bus unless a
// test gives another); true when the subscription was made.
bool followChanges(const QDBusConnection& bus);

// One setting change as the portal announces it (namespace, key, value; the value may be
// wrapped in D-Bus variants). Changes to settings not followed here are ignored.
void applySettingChanged(const QString& group, const QString& key, const QVariant& value);

// Announces a change of a followed setting.
class Changes : public QObject {
    Q_OBJECT
public:
    static Changes& shared();
signals:
    void animationsEnabledChanged();

private slots:
    void onSettingChanged(const QString& group, const QString& key, const QDBusVariant& value);

private:
    Changes() = default;
};
}  // namespace DesktopSettings
