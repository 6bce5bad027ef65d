#include "document/editor/CodeTip.h"

void CodeTip::SetTipText(const QString& text)
{
    if (text == text_)
        return;
    text_ = text;
    if (shown_ && host_.changed)
        host_.changed();
}

void CodeTip::SetCurrentArgument(int argument)
{
    if (argument == argument_)
        return;
    argument_ = argument;
    if (shown_ && host_.changed)
        host_.changed();
}

void CodeTip::Close()
{
    if (shown_ && host_.close)
        host_.close();
}

void CodeTip::attach(Host host)
{
    host_ = std::move(host);
    shown_ = true;
}

void CodeTip::detach()
{
    shown_ = false;
    host_ = {};
}

std::pair<int, int> CodeTip::argumentSpan() const
{
    // Parameters are the comma-separated parts between the first "(" and the last ")".
    const int open = int(text_.indexOf(QLatin1Char('(')));
    if (open < 0 || argument_ < 0)
        return {0, 0};
    int close = int(text_.lastIndexOf(QLatin1Char(')')));
    if (close < open)
        close = int(text_.size());
    int start = open + 1;
    for (int n = 0; n < argument_; ++n) {
        const int comma = int(text_.indexOf(QLatin1Char(','), start));
        if (comma < 0 || comma >= close)
            return {0, 0};
        start = comma + 1;
    }
    while (start < close && text_.at(start) == QLatin1Char(' '))
        ++start;
    int end = int(text_.indexOf(QLatin1Char(','), start));
    if (end < 0 || end > close)
        end = close;
    return {start, end};
}
