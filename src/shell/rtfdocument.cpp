#include "rtfdocument.h"

#include <QColor>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include "rtfreader.h"

void setRtfDocument(const RtfReader::Document& rtf, QTextDocument& document)
{
    document.clear();
    QTextCursor cursor(&document);
    for (qsizetype i = 0; i < rtf.paragraphs.size(); ++i) {
        const RtfReader::Paragraph& paragraph = rtf.paragraphs[i];
        if (i > 0)
            cursor.insertBlock();
        if (paragraph.alignment) {
            QTextBlockFormat block = cursor.blockFormat();
            block.setAlignment(*paragraph.alignment);
            cursor.setBlockFormat(block);
        }
        for (const RtfReader::Run& run : paragraph.runs) {
            QTextCharFormat format;
            format.setFontWeight(run.bold ? QFont::Bold : QFont::Normal);
            format.setFontItalic(run.italic);
            format.setFontUnderline(run.underline);
            format.setFontPointSize(run.points);
            if (!run.family.isEmpty())
                format.setFontFamilies({ run.family });
            if (run.colour)
                format.setForeground(QColor(run.colour->red, run.colour->green, run.colour->blue));
            cursor.insertText(run.text, format);
        }
    }
}
