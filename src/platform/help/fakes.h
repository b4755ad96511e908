#pragma once
// Test doubles for the help interfaces: they only record what they were asked.

#include <QString>
#include <QStringList>

#include <vector>

#include "platform/help/helpviewer.h"
#include "platform/help/urlopener.h"

namespace lumbrast::platform {

class RecordingUrlOpener final : public UrlOpener {
public:
    void open(const QString &address) override { opened.append(address); }

    QStringList opened;
};

class RecordingHelpViewer final : public HelpViewer {
public:
    struct Call {
        QWidget *owner;
        QString helpFile;
        QString topic;
    };

    QString displayTopic(QWidget *owner, const QString &helpFile, const QString &topic) override {
        calls.push_back({owner, helpFile, topic});
        return {};
    }

    std::vector<Call> calls;
};

} // namespace lumbrast::platform
