#pragma once
// CSelBarDialog: the modeless choice of the bars of the opened list to run. The operator
// selects bars by hand, all at once or by name; the confirmation marks and gathers them, runs
// the tool-setup optimisation and the length check, writes the bar-loading list when the
// machine has a magazine, and asks the main window for the bar confirmation.
#include <QEvent>
#include <QFont>
#include <string>
#include <vector>

#include "ui/ResizeDialog.h"

namespace ui {
class CListCtrlStyled;
}
struct BarRecord;

class CSelBarDialog : public ui::CResizeDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 285;
    // Control ids.
    static constexpr int kIdAllBars = 286;
    static constexpr int kIdConfRalla = 287;
    static constexpr int kIdFindBar = 288;
    static constexpr int kIdList = 289;
    static constexpr int kIdFindText = 290;
    static constexpr int kIdCount = 291;

    explicit CSelBarDialog(QWidget* parent);
    ~CSelBarDialog() override;

    void OnInitDialog() override;

    ui::CListCtrlStyled* List() const;
    int RowCount() const { return static_cast<int>(m_rowMap.size()); }
    // The present index of a row's bar in the list (-1 outside the list).
    int RowBar(int row) const;
    // The count text "<S_BAR_SEL> selected/rows".
    QString CountText() const;

public slots:
    void OnOK();
    void OnCancel();
    void OnAllBars();
    void OnFindBar();
    void OnConfRalla();
    void reject() override { OnCancel(); }

protected:
    bool event(QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void FillList();
    void RefreshCount();
    void SizeColumns();
    // Sets a row's selection through the list's own toggle (it has no other way in).
    void SetRowSelected(int row, bool on);
    void CloseDialog();
    // Unattended: the refusal written to the output, the list ended and the next one asked
    // for (true); otherwise false and nothing done.
    bool EndListUnattended(const std::string& text);

    // The bar of each row, in row order.
    std::vector<const BarRecord*> m_rowMap;
    // The widest text of each column, measured in m_widthsFont.
    std::vector<int> m_contentWidths;
    QFont m_widthsFont;
    bool m_initialised = false;
    bool m_closed = false;
};
