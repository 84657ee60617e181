#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace testsupport
{
/** The first component of type T below parent (depth first) whose name is name, or whose
    name does not matter when name is empty. */
template <typename T> T* findChild(juce::Component& parent, const juce::String& name = {})
{
    for (auto* child : parent.getChildren())
    {
        if (auto* typed = dynamic_cast<T*>(child))
            if (name.isEmpty() || typed->getName() == name)
                return typed;

        if (auto* found = findChild<T>(*child, name))
            return found;
    }

    return nullptr;
}

/** Every item of a combo box as "id:text", separators as "-". */
inline juce::StringArray describeItems(juce::ComboBox& box)
{
    juce::StringArray items;

    for (juce::PopupMenu::MenuItemIterator it(*box.getRootMenu()); it.next();)
    {
        const auto& item = it.getItem();
        items.add(item.isSeparator ? juce::String("-") : juce::String(item.itemID) + ":" + item.text);
    }

    return items;
}
} // namespace testsupport
