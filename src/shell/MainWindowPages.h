#pragma once

#include "app/AppRouter.h"
#include "inspection/Capability.h"

#include <QWidget>

#include <functional>
#include <optional>

class LanguageManager;
class Quorlent;

// The models a detail page is built with.
struct PageContext {
    Quorlent& model;
    LanguageManager& language;
    AppRouter& router;
};

// One maker per kind of detail page. The main window builds a fresh page on each navigation;
// a search page only gets its new query while the user types.
struct PageFactories {
    std::function<QWidget*(const PageContext&)> overview;
    std::function<QWidget*(const PageContext&, const QString& symbol)> category;
    std::function<QWidget*(const PageContext&, const QString& query, std::optional<CapabilityStatus> status)> search;
    std::function<void(QWidget* page, const QString& query)> setSearchQuery;
    // The tool page host: the page of one of the four tools.
    std::function<QWidget*(const PageContext&, ProFeature feature)> tool;

    // The application's pages.
    static PageFactories standard();
};

// A page that is not there yet: the destination's symbol and title, centred, and nothing
// that pretends to be content. Retitles itself on a change of language or inspection.
class PendingPage : public QWidget {
    Q_OBJECT
public:
    using Describe = std::function<std::pair<QString, QString>()>;  // symbol, title
    PendingPage(Describe describe, QObject* retitleOn = nullptr, QWidget* parent = nullptr);
    QString title() const { return title_; }
    void setDescribe(Describe describe);

protected:
    void changeEvent(QEvent* e) override;

private:
    void rebuild();
    Describe describe_;
    QWidget* content_ = nullptr;
    QString title_;
};
