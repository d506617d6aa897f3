#include "config/form2.h"

#include "core/mainwindowlink.h"

Form2::Form2(MainWindowLink& main, QWidget* parent) : QWidget(parent), m_main(main)
{
    setWindowTitle(QStringLiteral("Enregistrement Mp3 - Paramétrage"));
}
