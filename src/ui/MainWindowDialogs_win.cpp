#include "ui/MainWindow.h"

namespace varnel::ui {

void MainWindow::ShowScanSettings() {}
void MainWindow::ShowAbout() {}

}  // namespace varnel::ui
