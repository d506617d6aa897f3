#pragma once
// For the helper programs and benchmarks that run the engine outside a test:
// every message goes to stderr and is answered OK, file requests are refused.
#include "foundation/seams.h"

#include <cstdio>

class PrintPrompt final : public Prompt {
public:
    MsgAnswer message(const QString& text, const QString& title, MsgIcon, MsgButtons) override
    {
        std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
        return MsgAnswer::Ok;
    }
    QString saveFileName(const FileRequest&) override { return {}; }
    QString openFileName(const FileRequest&) override { return {}; }
    QString folder(const QString&) override { return {}; }
};
