#pragma once
// Child windows of the main window's MDI area.

class QMdiArea;
class QMdiSubWindow;
class QWidget;

// Puts form into the MDI area as a child window destroyed when closed, at the
// size the form was designed with, and makes it the active child. The frame's
// own Ctrl+F4 binding is removed: that key belongs to the main window's action.
QMdiSubWindow *AbreJanelaFilha(QMdiArea *area, QWidget *form);
// The MDI child window holding form, if it is one.
QMdiSubWindow *JanelaFilhaDe(QWidget *form);
// Brings the child window holding form to the front.
void MostraJanelaFilha(QWidget *form);
