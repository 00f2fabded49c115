#pragma once
// The progress window: carries out the extraction run of one archive, the one
// named by the first command-line argument. It is the application's main
// window in an extraction run; closing it ends the process.

#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <string>

class TfrmConfig;

class TMobrelProgressForm : public QWidget {
    Q_OBJECT
public:
    explicit TMobrelProgressForm(QWidget* parent = nullptr);

    // The hidden main window of this process; set by the entry once created.
    TfrmConfig* frmConfig = nullptr;

    // Run state; the run's dialogs set these.
    bool Cancelled = false;
    bool OverwriteAll = false;
    bool SkipAll = false;
    bool PasswordSupplied = false;
    std::string CurrentPassword;
    std::string DialogPassword;
    std::int64_t CandidateIndex = 1;
    std::int64_t NextProgressThreshold = 7249132;
    std::string ArchiveName;

    void Timer1Timer();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QTimer* Timer1;
};
