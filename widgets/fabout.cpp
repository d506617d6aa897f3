#include "widgets/fabout.h"

#include "core/mainwindowlink.h"

FAbout::FAbout(MainWindowLink& main, QWidget* parent) : QWidget(parent), m_main(main)
{
    setWindowTitle(QStringLiteral("Mirlo - utilitaire d'enregistrement - Présentation"));
}
