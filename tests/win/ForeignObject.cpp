// Built with -fno-rtti.
#include "tests/win/ForeignObject.h"

namespace
{

class ForeignObject : public QObject
{
};

class ForeignWidget : public QWidget
{
public:
    using QWidget::QWidget;
};

} // namespace

void ForeignObjectDeleter::operator()(QObject *Object) const
{
    delete Object;
}

std::unique_ptr<QObject, ForeignObjectDeleter> MakeForeignObject()
{
    return std::unique_ptr<QObject, ForeignObjectDeleter>(new ForeignObject);
}

QWidget *MakeForeignWidget(QWidget *Parent)
{
    auto *Widget = new ForeignWidget(Parent);
    Widget->show();
    return Widget;
}
