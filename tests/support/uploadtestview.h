#pragma once
// Progress views that only note what the upload asks of them, for the
// upload tests and the upload benchmark.
#include "send/uploadview.h"

#include <QList>
#include <QObject>
#include <QStringList>

#include <functional>

class TestUploadViews;

// A QObject, so that a test can tie timers to one pass's view.
class TestUploadView final : public QObject, public UploadView {
public:
    explicit TestUploadView(TestUploadViews& views) : m_views(views) {}
    void showProgress() override;
    void setProgress(int) override {}
    void setSplitTexts(const QString& title, const QString& files) override;

private:
    TestUploadViews& m_views;
};

class TestUploadViews final : public UploadViewFactory {
public:
    std::unique_ptr<UploadView> createView(UploadViewKind kind, UploadSession&) override
    {
        kinds << kind;
        return std::make_unique<TestUploadView>(*this);
    }

    // Runs as each view is shown, once per pass, so a test can act while
    // that pass's request is running.
    std::function<void(TestUploadView& view, int pass)> onShow;
    QList<UploadViewKind> kinds; // one per view made
    int shown = 0;
    QStringList titles, files; // split texts, as set
};

inline void TestUploadView::showProgress()
{
    const int pass = m_views.shown++;
    if (m_views.onShow)
        m_views.onShow(*this, pass);
}

inline void TestUploadView::setSplitTexts(const QString& title, const QString& files)
{
    m_views.titles << title;
    m_views.files << files;
}
