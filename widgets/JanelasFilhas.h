#pragma once
// Child windows of the main window's MDI area.

class QMdiArea;
class QMdiSubWindow;
class QWidget;

// Puts form into the MDI area as a child window destroyed when closed, whose
// outer size is the size the form was given, and makes it the active child.
// The frame's own Ctrl+F4 binding is removed: that key belongs to the main
// window's action. semMaximizar: a frame with system menu and minimise button only.
QMdiSubWindow *AbreJanelaFilha(QMdiArea *area, QWidget *form, bool semMaximizar = false);
// The MDI child window holding form, if it is one.
QMdiSubWindow *JanelaFilhaDe(QWidget *form);
// Brings the child window holding form to the front.
void MostraJanelaFilha(QWidget *form);
