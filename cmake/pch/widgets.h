// Precompiled for the libraries with windows: QtCore's set and the widgets they use most.
#pragma once

#include "core.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QWidget>
