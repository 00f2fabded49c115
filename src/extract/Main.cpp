#include "extract/Main.h"

#include <QCloseEvent>

TMobrelProgressForm::TMobrelProgressForm(QWidget* parent) : QWidget(parent) {
    setObjectName("MobrelProgressForm");
    setWindowTitle(QStringLiteral("Tarnwick"));
    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(29);
    connect(Timer1, &QTimer::timeout, this, &TMobrelProgressForm::Timer1Timer);
    Timer1->start();
}

void TMobrelProgressForm::Timer1Timer() {
    Timer1->stop();
    close();
}

void TMobrelProgressForm::closeEvent(QCloseEvent* event) { event->accept(); }
