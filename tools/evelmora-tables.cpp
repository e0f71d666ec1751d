// The tables tool: reads its command line, runs the command from the command library and
// prints what it answers.

#include <QCoreApplication>
#include <QTextStream>

#include "tablestool.h"

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const CommandAnswer answer = TablesTool::run(QCoreApplication::arguments().mid(1), QCoreApplication::applicationDirPath());
    QTextStream(stdout) << answer.out << Qt::flush;
    QTextStream(stderr) << answer.err << Qt::flush;
    return answer.status;
}
