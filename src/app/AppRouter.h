#pragma once

#include "inspection/Capability.h"

#include <QList>
#include <QObject>
#include <QString>

#include <optional>
#include <variant>

// The four tools, in sidebar order.
enum class ProFeature { reports, liveMonitor, batteryHealth, history };

namespace ProFeatures {
const QList<ProFeature>& all();
QString rawValue(ProFeature feature);
// Exactly the four raw words, case-sensitively; anything else is no tool.
std::optional<ProFeature> fromRawValue(const QString& raw);
// "Reports", "Live Monitor", ... in the interface language, looked up on every call.
QString sidebarTitle(ProFeature feature);
// The symbol the sidebar row and the tool's screen header share.
QString symbol(ProFeature feature);
}  // namespace ProFeatures

// A destination of the sidebar: the overview, a capability section by its symbol, or a tool.
class SidebarItem {
public:
    enum class Kind { overview, section, pro };

    static SidebarItem overview() { return SidebarItem(Kind::overview, {}, ProFeature::reports); }
    static SidebarItem section(QString symbol) { return SidebarItem(Kind::section, std::move(symbol), ProFeature::reports); }
    static SidebarItem pro(ProFeature feature) { return SidebarItem(Kind::pro, {}, feature); }

    Kind kind() const { return kind_; }
    // The section's symbol; empty for the other kinds.
    const QString& symbol() const { return symbol_; }
    // The tool; meaningful only for Kind::pro.
    ProFeature feature() const { return feature_; }

    bool operator==(const SidebarItem& other) const
    {
        if (kind_ != other.kind_) return false;
        if (kind_ == Kind::section) return symbol_ == other.symbol_;
        if (kind_ == Kind::pro) return feature_ == other.feature_;
        return true;
    }

private:
    SidebarItem(Kind kind, QString symbol, ProFeature feature) : kind_(kind), symbol_(std::move(symbol)), feature_(feature) {}
    Kind kind_;
    QString symbol_;
    ProFeature feature_;
};

size_t qHash(const SidebarItem& item, size_t seed = 0);

// The navigation state of the main window. Every assignment is announced, also when the
// value does not change (a view that listens redraws either way).
class AppRouter final : public QObject {
    Q_OBJECT
public:
    static AppRouter& shared();
    // Tests make their own; the application uses shared().
    explicit AppRouter(QObject* parent = nullptr);

    std::optional<SidebarItem> selection() const { return selection_; }
    bool showOnboarding() const { return showOnboarding_; }
    std::optional<CapabilityStatus> statusFocus() const { return statusFocus_; }

    void setSelection(std::optional<SidebarItem> selection);
    void setShowOnboarding(bool show);
    void setStatusFocus(std::optional<CapabilityStatus> status);

signals:
    void selectionChanged();
    void showOnboardingChanged();
    void statusFocusChanged();

private:
    std::optional<SidebarItem> selection_ = SidebarItem::overview();
    bool showOnboarding_ = false;
    std::optional<CapabilityStatus> statusFocus_;
};
