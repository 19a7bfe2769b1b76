#pragma once

class QWidget;

// The main window, over which every dialog is centred.
QWidget* MainWindow();
void setMainWindow(QWidget* window);
