#include "app/DialogScript.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDialog>
#include <QEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <algorithm>

DialogScript::DialogScript(const QString& scriptPath) : log_(scriptPath + QStringLiteral(".log")) {
    QFile script(scriptPath);
    if (script.open(QIODevice::ReadOnly | QIODevice::Text))
        for (const QString& line : QString::fromUtf8(script.readAll()).split(QLatin1Char('\n'))) {
            QStringList tokens = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
            if (tokens.size() < 2) continue;
            const QString cls = tokens.takeFirst();
            answers_[cls].push_back(tokens);
        }
    log_.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text);
}

bool DialogScript::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show) {
        auto* dialog = qobject_cast<QDialog*>(watched);
        if (dialog && dialog->isWindow()) seen(dialog);
    }
    return false;
}

void DialogScript::seen(QDialog* dialog) {
    const QString cls = QString::fromLatin1(dialog->metaObject()->className());
    QString text;
    if (auto* box = qobject_cast<QMessageBox*>(dialog))
        text = box->text().replace(QLatin1Char('\n'), QStringLiteral("\\n"));  // one line each
    else if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("FilenameBox")))
        text = name->text();
    else if (auto* folder = dialog->findChild<QLineEdit*>(QStringLiteral("FolderBox")))
        text = folder->text();
    log_.write((QString::number(QCoreApplication::applicationPid()) + QLatin1Char(' ') + cls +
                QStringLiteral(" | ") + dialog->windowTitle() + QStringLiteral(" | ") + text +
                QLatin1Char('\n'))
                   .toUtf8());
    log_.flush();
    auto found = answers_.find(cls);
    if (found == answers_.end() || found->second.empty()) return;
    std::size_t& next = used_[cls];
    QStringList tokens = found->second[std::min(next, found->second.size() - 1)];
    int delayMs = 50;
    if (tokens.first().startsWith(QLatin1String("wait=")))
        delayMs = tokens.takeFirst().mid(5).toInt();
    ++next;
    QPointer<QDialog> target(dialog);
    QTimer::singleShot(delayMs, dialog, [target, tokens] {
        for (const QString& token : tokens) {
            if (!target) return;
            if (token == QLatin1String("close")) {
                target->close();
            } else if (token == QLatin1String("accept")) {
                target->accept();
            } else if (token.contains(QLatin1Char('='))) {
                const QString name = token.section(QLatin1Char('='), 0, 0);
                if (auto* edit = target->findChild<QLineEdit*>(name))
                    edit->setText(token.section(QLatin1Char('='), 1));
            } else if (auto* button = target->findChild<QAbstractButton*>(token)) {
                button->click();
            }
        }
    });
}
