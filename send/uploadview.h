#pragma once
#include <QString>

#include <memory>

class UploadSession;

// What an upload pass needs of its progress window. The window itself asks
// the pupil whether to abandon and tells the session.
class UploadView {
public:
    virtual ~UploadView() = default;
    // Shown, not modal, and brought to the front.
    virtual void showProgress() = 0;
    // 0-100 of the request body sent.
    virtual void setProgress(int percent) = 0;
    // Split upload only: how many files there are and which one is on its way.
    virtual void setSplitTexts(const QString& /*title*/, const QString& /*files*/) {}
};

enum class UploadViewKind { Single, Split };

// Makes the progress window of one pass; the session owns what it makes.
class UploadViewFactory {
public:
    virtual ~UploadViewFactory() = default;
    virtual std::unique_ptr<UploadView> createView(UploadViewKind kind, UploadSession& session) = 0;
};
