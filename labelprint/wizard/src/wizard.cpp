// Entry of the layout wizard: shown only on a running Qt widget application.
#include "labelprint/wizard.h"

#include <QApplication>
#include <QThread>

#include "labelprint/layout.h"
#include "wizard_pages.h"

namespace labelprint {

bool WizardAvailable() {
    // Widgets live on the application's thread only.
    const auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    return app != nullptr && QThread::currentThread() == app->thread();
}

WizardResult RunLayoutWizard(MConfigura& cfg, const std::string& iniPath) {
    if (!WizardAvailable()) return WizardResult::Unavailable;
    wizard::MMainPag sheet(cfg, iniPath, QApplication::activeWindow());
    const int result = sheet.exec();
    if (result != QDialog::Accepted) return WizardResult::Cancelled;
    cfg.Save(iniPath);
    return WizardResult::Finished;
}

} // namespace labelprint
