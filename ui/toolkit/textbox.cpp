// The multi-line text box that keeps cr lf line breaks.

#include "ui/toolkit/textbox.h"

#include <QTextDocument>
#include <QTextOption>

namespace toolkit {

TextBox::TextBox(QWidget* parent) : QPlainTextEdit(parent)
{
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTabChangesFocus(true);
}

QString TextBox::text() const
{
    // Raw text: no-break spaces stay as typed.
    QString text = document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
    return text;
}

void TextBox::setText(const QString& text)
{
    // The document takes cr lf, cr and lf alike as one line break.
    setPlainText(text);
}

void TextBox::setCentred(bool centred)
{
    QTextOption option = document()->defaultTextOption();
    option.setAlignment(centred ? Qt::AlignHCenter : Qt::AlignLeft);
    document()->setDefaultTextOption(option);
}

} // namespace toolkit
