#include "platform/RegistryNotices.h"

#include <iostream>
#include <set>

namespace platform::registrynotices {
namespace {

struct State {
    std::vector<std::string> pending;
    std::set<std::string> posted;
    std::function<void()> listener;
};

State& state()
{
    static State s;
    return s;
}

} // namespace

void post(const std::string& text)
{
    State& s = state();
    if (!s.posted.insert(text).second)
        return;
    std::cerr << "tessary-editor: " << text << std::endl;
    s.pending.push_back(text);
    if (s.listener)
        s.listener();
}

std::vector<std::string> take()
{
    std::vector<std::string> texts;
    texts.swap(state().pending);
    return texts;
}

void setListener(std::function<void()> listener)
{
    state().listener = std::move(listener);
}

void reset()
{
    state().pending.clear();
    state().posted.clear();
}

} // namespace platform::registrynotices
