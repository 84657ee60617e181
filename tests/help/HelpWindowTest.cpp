// The help windows on a real (virtual) display: what each product's window shows, that
// its text cannot be edited, that closing only hides it, that the text re-wraps, and that
// all windows share one tooltip window.

#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include "help/HelpVariants.h"
#include "look/TitleBarColour.h"
#include "support/MessageLoop.h"

namespace
{
juce::TextEditor* editorOf(juce::ResizableWindow& window)
{
    auto* content = window.getContentComponent();

    if (content == nullptr || content->getNumChildComponents() != 1)
        return nullptr;

    return dynamic_cast<juce::TextEditor*>(content->getChildComponent(0));
}

template <typename Child> Child* childOfType(juce::Component& parent)
{
    for (auto* child : parent.getChildren())
        if (auto* match = dynamic_cast<Child*>(child))
            return match;

    return nullptr;
}

int countVisibleTooltipWindows()
{
    auto& desktop = juce::Desktop::getInstance();
    int count = 0;

    for (int i = 0; i < desktop.getNumComponents(); ++i)
        if (auto* tip = dynamic_cast<juce::TooltipWindow*>(desktop.getComponent(i)))
            if (tip->isVisible())
                ++count;

    return count;
}

/** Shows the window and pumps until the X server has mapped it. */
void showAndWait(juce::DocumentWindow& window)
{
    window.setVisible(true);
    ASSERT_TRUE(testsupport::pumpUntil([&] { return window.isShowing() && window.getPeer() != nullptr; }));
    testsupport::pumpFor(50);
}
} // namespace

//==============================================================================
TEST(HelpWindowbase, StartsHiddenOnTheDesktopNamedHelpInTheProgramColours)
{
    HelpWindowbaseClass window;

    EXPECT_EQ(window.getName(), "Help");
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(window.isOnDesktop());
    EXPECT_EQ(window.getBackgroundColour(), juce::Colour(0xffeff2f3));
    EXPECT_TRUE(window.isColourSpecified(WindowColours::titleBarColourId));
    EXPECT_EQ(window.findColour(WindowColours::titleBarColourId), juce::Colour(0xff3273a1));
    EXPECT_NE(window.getCloseButton(), nullptr);
    EXPECT_NE(window.getMinimiseButton(), nullptr);
    EXPECT_NE(window.getMaximiseButton(), nullptr);
}

//==============================================================================
namespace
{
// clang-format off
struct Tarnis  { using Window = TarnisHelpWindowClass;         using Content = TarnisHelpWindowContentComp;         static constexpr const char* title = " Tarnis update help ";  static const juce::String& text() { return tarnisHelpText; } };
struct Ombrel  { using Window = OmbrelHelpWindowClass;         using Content = OmbrelHelpWindowContentComp;         static constexpr const char* title = " Ombrel update help ";  static const juce::String& text() { return ombrelHelpText; } };
struct Corvex  { using Window = CvxSMCHelpWindowClass;         using Content = CvxSMCHelpWindowContentComp;         static constexpr const char* title = " CvxSMC update help ";  static const juce::String& text() { return corvexHelpText; } };
struct Velamor { using Window = VeldtSaturatorHelpWindowClass; using Content = VeldtSaturatorHelpWindowContentComp; static constexpr const char* title = " Velamor update help "; static const juce::String& text() { return velamorHelpText; } };
struct Quillon { using Window = QuillonHelpWindowClass;        using Content = QuillonHelpWindowContentComp;        static constexpr const char* title = " Quillon update help "; static const juce::String& text() { return quillonHelpText; } };
struct Morrow  { using Window = Morrow1HelpWindowClass;        using Content = Morrow1HelpWindowContentComp;        static constexpr const char* title = " Morrow update help ";  static const juce::String& text() { return bassAmplifierHelpText; } };
struct Harrow  { using Window = HarrowHelpWindowClass;         using Content = HarrowHelpWindowContentComp;         static constexpr const char* title = " Tessel update help ";  static const juce::String& text() { return harrowHelpText; } };
// clang-format on

template <typename Variant> class EachHelpVariant : public testing::Test
{
};

using AllVariants = testing::Types<Tarnis, Ombrel, Corvex, Velamor, Quillon, Morrow, Harrow>;
TYPED_TEST_SUITE(EachHelpVariant, AllVariants);
} // namespace

TYPED_TEST(EachHelpVariant, ShowsItsOwnTextReadOnlyUnderItsOwnTitle)
{
    typename TypeParam::Window window;

    EXPECT_EQ(window.getName(), TypeParam::title);
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(window.isOnDesktop());
    EXPECT_TRUE(window.isResizable());
    EXPECT_NE(childOfType<juce::ResizableBorderComponent>(window), nullptr);
    EXPECT_EQ(childOfType<juce::ResizableCornerComponent>(window), nullptr);

    ASSERT_NE(dynamic_cast<typename TypeParam::Content*>(window.getContentComponent()), nullptr);
    auto* editor = editorOf(window);
    ASSERT_NE(editor, nullptr);

    EXPECT_EQ(editor->getText(), TypeParam::text());
    EXPECT_TRUE(editor->isReadOnly());
    EXPECT_TRUE(editor->isMultiLine());
    EXPECT_TRUE(editor->getName().isEmpty());
    EXPECT_EQ(editor->getPasswordCharacter(), 0);
    EXPECT_TRUE(editor->isVisible());

    // The editor fills whatever room the window gives its content.
    window.centreWithSize(550, 400);
    EXPECT_EQ(window.getWidth(), 550);
    EXPECT_EQ(window.getHeight(), 400);
    EXPECT_EQ(editor->getBounds(), window.getContentComponent()->getLocalBounds());
    EXPECT_FALSE(editor->getBounds().isEmpty());
}

//==============================================================================
TEST(VelamorHelpWindow, KeystrokesInTheTextChangeNothing)
{
    VeldtSaturatorHelpWindowClass window;
    window.centreWithSize(550, 400);
    showAndWait(window);

    auto* editor = editorOf(window);
    ASSERT_NE(editor, nullptr);

    // Focus must really be in the editor, or the keys would go elsewhere and prove nothing.
    window.toFront(true);
    ASSERT_TRUE(testsupport::pumpUntil(
        [&]
        {
            editor->grabKeyboardFocus();
            return editor->hasKeyboardFocus(false);
        }));

    auto* peer = window.getPeer();
    ASSERT_NE(peer, nullptr);

    juce::SystemClipboard::copyTextToClipboard("PASTED");
    const auto command = juce::ModifierKeys::commandModifier;

    const juce::KeyPress keys[] = {
        juce::KeyPress('x', {}, 'x'),
        juce::KeyPress(juce::KeyPress::spaceKey, {}, ' '),
        juce::KeyPress(juce::KeyPress::returnKey),
        juce::KeyPress(juce::KeyPress::backspaceKey),
        juce::KeyPress(juce::KeyPress::deleteKey),
        juce::KeyPress('v', command, 0),
        juce::KeyPress('a', command, 0),
        juce::KeyPress(juce::KeyPress::deleteKey),
        juce::KeyPress('a', command, 0),
        juce::KeyPress('x', command, 0),
        juce::KeyPress('a', command, 0),
        juce::KeyPress('Z', {}, 'Z'),
        juce::KeyPress('z', command, 0),
    };

    for (const auto& key : keys)
    {
        // Without a window manager the X focus follows the pointer, which other tests move:
        // the editor takes the focus again before each key, so that every key reaches it.
        ASSERT_TRUE(testsupport::pumpUntil(
            [&]
            {
                editor->grabKeyboardFocus();
                return editor->hasKeyboardFocus(false);
            }));
        peer->handleKeyPress(key);
        testsupport::pumpFor(5);
        EXPECT_EQ(editor->getText(), velamorHelpText) << "after " << key.getTextDescription();
    }
}

TEST(VelamorHelpWindow, ClosingOnlyHidesAndTheSameWindowComesBack)
{
    VeldtSaturatorHelpWindowClass window;
    window.centreWithSize(550, 400);

    auto* content = window.getContentComponent();
    auto* editor = editorOf(window);
    ASSERT_NE(editor, nullptr);

    // The title bar's close button.
    showAndWait(window);
    ASSERT_NE(window.getCloseButton(), nullptr);
    window.getCloseButton()->triggerClick();
    EXPECT_TRUE(testsupport::pumpUntil([&] { return ! window.isVisible(); }));
    EXPECT_TRUE(window.isOnDesktop());

    // The system's close request takes the same way.
    showAndWait(window);
    window.userTriedToCloseWindow();
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(window.isOnDesktop());

    showAndWait(window);
    EXPECT_EQ(window.getContentComponent(), content);
    EXPECT_EQ(editorOf(window), editor);
    EXPECT_EQ(editor->getText(), velamorHelpText);
    EXPECT_EQ(window.getName(), " Velamor update help ");
}

TEST(VelamorHelpWindow, NarrowingTheWindowRewrapsTheText)
{
    VeldtSaturatorHelpWindowClass window;
    window.centreWithSize(550, 400);
    showAndWait(window);

    auto* editor = editorOf(window);
    ASSERT_NE(editor, nullptr);
    auto* viewport = childOfType<juce::Viewport>(*editor);
    ASSERT_NE(viewport, nullptr);

    const auto wideHeight = editor->getTextHeight();
    EXPECT_GT(wideHeight, 0);
    EXPECT_LE(wideHeight, viewport->getMaximumVisibleHeight());
    EXPECT_FALSE(viewport->getVerticalScrollBar().isVisible());

    window.setSize(220, 400);
    EXPECT_EQ(editor->getBounds(), window.getContentComponent()->getLocalBounds());

    // More lines, none wider than the view, and a vertical scroll bar for the overflow.
    EXPECT_GT(editor->getTextHeight(), wideHeight * 3 / 2);
    EXPECT_LE(editor->getTextWidth(), viewport->getMaximumVisibleWidth());
    EXPECT_FALSE(viewport->getHorizontalScrollBar().isVisible());
    EXPECT_TRUE(viewport->getVerticalScrollBar().isVisible());

    window.setSize(550, 400);
    EXPECT_EQ(editor->getTextHeight(), wideHeight);
    EXPECT_EQ(editor->getText(), velamorHelpText);
}

//==============================================================================
TEST(HelpWindows, ShareOneTooltipWindow)
{
    auto velamor = std::make_unique<VeldtSaturatorHelpWindowClass>();
    auto tarnis = std::make_unique<TarnisHelpWindowClass>();

    tarnis->setBounds(20, 20, 300, 200);
    showAndWait(*tarnis);
    velamor->centreWithSize(550, 400);
    showAndWait(*velamor);

    // Something with a tip, in front of the Velamor text.
    juce::TextButton tipped("tipped", "a tip to show");
    velamor->getContentComponent()->addAndMakeVisible(tipped);
    tipped.setBounds(20, 20, 120, 40);

    // Tips are only shown while the program is in front.
    velamor->toFront(true);
    ASSERT_TRUE(testsupport::pumpUntil([] { return juce::Process::isForegroundProcess(); }));

    // Put the pointer on it. The server's motion event for a warp this program made itself
    // can wait in Xlib's queue until other traffic arrives, so the window is handed the same
    // move directly.
    const auto target = tipped.getScreenBounds().getCentre();
    juce::Desktop::setMousePosition(target);
    auto* peer = velamor->getPeer();
    ASSERT_NE(peer, nullptr);
    peer->handleMouseEvent(juce::MouseInputSource::InputSourceType::mouse,
                           peer->globalToLocal(target.toFloat()), juce::ModifierKeys(),
                           juce::MouseInputSource::defaultPressure,
                           juce::MouseInputSource::defaultOrientation, juce::Time::currentTimeMillis());
    ASSERT_EQ(juce::Desktop::getInstance().getMainMouseSource().getComponentUnderMouse(), &tipped);

    ASSERT_TRUE(testsupport::pumpUntil([] { return countVisibleTooltipWindows() > 0; }, 5000));
    testsupport::pumpFor(600);
    EXPECT_EQ(countVisibleTooltipWindows(), 1);

    velamor->getContentComponent()->removeChildComponent(&tipped);
}
