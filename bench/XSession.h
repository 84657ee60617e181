#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>
#include <functional>
#include <memory>
#include <string>
#include <vector>

/** A client of the X display that watches the program's top-level windows appear and
    get painted, reads their pixels and clicks into them through XTest, as a person's
    mouse would.

    A window counts as painted once every one of its pixels has been drawn since it was
    mapped: the X Damage extension reports each rectangle the program draws, and the
    session keeps a map of the pixels covered so far (started afresh when the window
    changes size). */
class XSession
{
public:
    struct TopLevel
    {
        Window id = 0;
        bool overrideRedirect = false;
        bool mapped = false;
        double createdAt = 0, mappedAt = 0;
        int width = 0, height = 0;
        Damage damage = 0;
        std::vector<unsigned char> covered; // one per pixel: drawn since the map
        long long coveredCount = 0;
        double fullyCoveredAt = 0; // when the last undrawn pixel was drawn; 0 until then
        int damageEvents = 0;
    };

    struct Rgb
    {
        int r = 0, g = 0, b = 0;
    };

    /** Opens $DISPLAY; throws std::runtime_error when it or an extension is missing. */
    XSession();
    ~XSession();

    /** Handles the display's events until the given CLOCK_MONOTONIC time. */
    void pump(double until);

    /** Handles events until the condition holds (it is checked after every event) or the
        time runs out; false when the time ran out. */
    bool pumpUntil(const std::function<bool()>& condition, double timeoutSeconds);

    /** The time at which the last event handled was received. */
    double lastEventAt() const noexcept { return lastEvent; }

    /** Forgets the windows seen so far. */
    void forget();

    /** The top-level windows created since the last forget(), oldest first, with the
        given title; an empty title matches every window. */
    std::vector<TopLevel*> windows(const std::string& title = {});

    /** The window's title (WM_NAME), empty when it has none or has gone. */
    std::string title(Window window);

    /** The mean colour of the 5x5 patch whose top left is (x, y) in the window; false when
        the window cannot be read. */
    bool pixel(Window window, int x, int y, Rgb& colour);

    /** Moves the pointer to (x, y) in the window. */
    void moveTo(Window window, int x, int y);

    /** Presses and releases the left button where the pointer is; returns the time of the
        release, when a button acts. */
    double click();

    /** Moves, lets the window see the pointer arrive, then clicks. */
    void clickAt(Window window, int x, int y);

private:
    Display* display = nullptr;
    Window root = 0;
    int damageEventBase = 0, damageErrorBase = 0;
    double lastEvent = 0;
    std::vector<std::unique_ptr<TopLevel>> seen;

    TopLevel* find(Window window);
    void handle(XEvent& event);
    void addDamage(TopLevel& window, const XRectangle& area);
};
