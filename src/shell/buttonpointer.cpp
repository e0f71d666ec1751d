#include "buttonpointer.h"

#include "formbuilder.h"

QCursor pointingHandPointer()
{
    return QCursor(FormBuilder::renderSvg(QStringLiteral(":/assets/pointing-hand.svg"), QSize(32, 32)), 11, 1);
}
