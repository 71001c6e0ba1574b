#pragma once
// FineListe: the end-of-list notice with access to the list's time log (modal).
#include "ui/ResizeDialog.h"

class FineListe : public ui::CResizeDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 812;
    static constexpr int kIdClose = 2;
    static constexpr int kIdReport = 1039;
    static constexpr int kIdMessage = 1040;
    static constexpr int kIdQuestion = 1041;
    // Results of exec(): the report was shown, or the box was closed.
    static constexpr int kResultReport = 1;
    static constexpr int kResultClosed = 2;

    explicit FineListe(QWidget* parent);
    ~FineListe() override;

    void OnInitDialog() override;
    // The report button: shows the list's time log and closes, or warns and stays open.
    void OnReport();

protected:
    void reject() override;
};
