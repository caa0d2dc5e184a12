#pragma once
// Qt objects of a class built without type information, as a library built that way makes
// them (the web engine's are).

#include <QObject>
#include <QWidget>

#include <memory>

// Deletes where the objects are made: code built with the sanitizer's type check stops at
// any call into them.
struct ForeignObjectDeleter {
    void operator()(QObject *Object) const;
};

std::unique_ptr<QObject, ForeignObjectDeleter> MakeForeignObject();
// A widget of such a class inside Parent, shown.
QWidget *MakeForeignWidget(QWidget *Parent);
