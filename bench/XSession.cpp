#include "XSession.h"

#include "BenchSupport.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <algorithm>
#include <poll.h>
#include <stdexcept>

namespace
{
// Windows come and go under the session's feet (a menu closes while it is being read):
// requests about a window that has gone fail, and are simply left unanswered.
int ignoreErrors(Display*, XErrorEvent*)
{
    return 0;
}
} // namespace

XSession::XSession()
{
    display = XOpenDisplay(nullptr);

    if (display == nullptr)
        throw std::runtime_error("cannot open the X display (is DISPLAY set?)");

    XSetErrorHandler(ignoreErrors);

    int major = 0, minor = 0, eventBase = 0, errorBase = 0;

    if (! XDamageQueryExtension(display, &damageEventBase, &damageErrorBase)
        || ! XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor))
        throw std::runtime_error("the X server lacks the Damage or the XTest extension");

    XDamageQueryVersion(display, &major, &minor);
    root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, False);
}

XSession::~XSession()
{
    forget();
    XCloseDisplay(display);
}

void XSession::forget()
{
    for (auto& window : seen)
        if (window->damage != 0)
            XDamageDestroy(display, window->damage);

    seen.clear();
    XSync(display, False);
}

XSession::TopLevel* XSession::find(Window window)
{
    for (auto& w : seen)
        if (w->id == window)
            return w.get();

    return nullptr;
}

void XSession::pump(double until)
{
    pumpUntil([] { return false; }, until - bench::now());
}

bool XSession::pumpUntil(const std::function<bool()>& condition, double timeoutSeconds)
{
    const auto deadline = bench::now() + std::max(0.0, timeoutSeconds);

    if (condition())
        return true;

    for (;;)
    {
        while (XPending(display) > 0)
        {
            XEvent event;
            XNextEvent(display, &event);
            lastEvent = bench::now();
            handle(event);

            if (condition())
                return true;
        }

        const auto left = deadline - bench::now();

        if (left <= 0)
            return condition();

        pollfd fd { ConnectionNumber(display), POLLIN, 0 };
        poll(&fd, 1, std::max(1, int(left * 1000.0)));
    }
}

void XSession::handle(XEvent& event)
{
    if (event.type == CreateNotify && event.xcreatewindow.parent == root)
    {
        // Damage is asked for at once, before the program can draw into the window.
        auto w = std::make_unique<TopLevel>();
        w->id = event.xcreatewindow.window;
        w->overrideRedirect = event.xcreatewindow.override_redirect;
        w->createdAt = lastEvent;
        w->width = event.xcreatewindow.width;
        w->height = event.xcreatewindow.height;
        w->damage = XDamageCreate(display, w->id, XDamageReportRawRectangles);
        seen.push_back(std::move(w));
    }
    else if (event.type == MapNotify)
    {
        if (auto* w = find(event.xmap.window); w != nullptr && ! w->mapped)
        {
            w->mapped = true;
            w->mappedAt = lastEvent;
            w->covered.assign(size_t(w->width) * size_t(w->height), 0);
            w->coveredCount = 0;
        }
    }
    else if (event.type == UnmapNotify)
    {
        if (auto* w = find(event.xunmap.window))
            w->mapped = false;
    }
    else if (event.type == ConfigureNotify)
    {
        if (auto* w = find(event.xconfigure.window);
            w != nullptr && (w->width != event.xconfigure.width || w->height != event.xconfigure.height))
        {
            // A new size must be painted whole again.
            w->width = event.xconfigure.width;
            w->height = event.xconfigure.height;
            w->covered.assign(size_t(w->width) * size_t(w->height), 0);
            w->coveredCount = 0;
            w->fullyCoveredAt = 0;
        }
    }
    else if (event.type == DestroyNotify)
    {
        if (auto* w = find(event.xdestroywindow.window))
        {
            w->mapped = false;
            w->damage = 0; // destroyed with the window
        }
    }
    else if (event.type == damageEventBase + XDamageNotify)
    {
        const auto& notify = reinterpret_cast<const XDamageNotifyEvent&>(event);

        if (auto* w = find(notify.drawable))
        {
            ++w->damageEvents;

            if (w->mapped)
                addDamage(*w, notify.area);
        }
    }
}

void XSession::addDamage(TopLevel& w, const XRectangle& area)
{
    const int x0 = std::max(0, int(area.x)), y0 = std::max(0, int(area.y));
    const int x1 = std::min(w.width, area.x + int(area.width)),
              y1 = std::min(w.height, area.y + int(area.height));

    for (int y = y0; y < y1; ++y)
    {
        auto* row = w.covered.data() + size_t(y) * size_t(w.width);

        for (int x = x0; x < x1; ++x)
        {
            w.coveredCount += row[x] == 0 ? 1 : 0;
            row[x] = 1;
        }
    }

    if (w.fullyCoveredAt == 0 && w.width > 0 && w.coveredCount == (long long)w.width * w.height)
        w.fullyCoveredAt = lastEvent;
}

std::vector<XSession::TopLevel*> XSession::windows(const std::string& wanted)
{
    std::vector<TopLevel*> found;

    for (auto& w : seen)
        if (wanted.empty() || title(w->id) == wanted)
            found.push_back(w.get());

    return found;
}

std::string XSession::title(Window window)
{
    // The program names its windows in UTF-8 (_NET_WM_NAME); WM_NAME is the fallback.
    const Atom netWmName = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    std::string result;

    for (const Atom property : { netWmName, Atom(XA_WM_NAME) })
    {
        Atom type = 0;
        int format = 0;
        unsigned long count = 0, remaining = 0;
        unsigned char* data = nullptr;

        if (XGetWindowProperty(display, window, property, 0, 1024, False, AnyPropertyType, &type, &format,
                               &count, &remaining, &data)
                == Success
            && data != nullptr)
        {
            if (format == 8 && (type == utf8 || type == XA_STRING))
                result.assign(reinterpret_cast<const char*>(data), count);

            XFree(data);
        }

        if (! result.empty())
            break;
    }

    return result;
}

bool XSession::pixel(Window window, int x, int y, Rgb& colour)
{
    XImage* image = XGetImage(display, window, x, y, 5, 5, AllPlanes, ZPixmap);

    if (image == nullptr)
        return false;

    long r = 0, g = 0, b = 0;

    for (int py = 0; py < 5; ++py)
    {
        for (int px = 0; px < 5; ++px)
        {
            const auto value = XGetPixel(image, px, py);
            r += long((value & image->red_mask) >> __builtin_ctzl(image->red_mask));
            g += long((value & image->green_mask) >> __builtin_ctzl(image->green_mask));
            b += long((value & image->blue_mask) >> __builtin_ctzl(image->blue_mask));
        }
    }

    XDestroyImage(image);
    colour = { int(r / 25), int(g / 25), int(b / 25) };
    return true;
}

void XSession::moveTo(Window window, int x, int y)
{
    int rootX = 0, rootY = 0;
    Window child = 0;
    XTranslateCoordinates(display, window, root, x, y, &rootX, &rootY, &child);
    XTestFakeMotionEvent(display, DefaultScreen(display), rootX, rootY, CurrentTime);
    XFlush(display);
}

double XSession::click()
{
    // Held for a moment, as a finger would: a press and a release in the same instant can
    // fall between two looks of a widget that samples the button's state.
    XTestFakeButtonEvent(display, 1, True, CurrentTime);
    XFlush(display);
    pump(bench::now() + 0.03);

    const auto releasedAt = bench::now();
    XTestFakeButtonEvent(display, 1, False, CurrentTime);
    XFlush(display);
    return releasedAt;
}

void XSession::clickAt(Window window, int x, int y)
{
    moveTo(window, x, y);
    pump(bench::now() + 0.05);
    click();
}
