/* A drag source for the end-to-end tests: drops files onto another X
 * client's window with the XDND protocol, the way a file manager does,
 * from a window of its own that it first makes the active one, and prints
 * what the target answered.
 *
 * Usage: xdndsource [--move] [--only-move] [--stay MS] X Y FILE...
 *   X, Y         the drop point in root coordinates
 *   --move       propose a move instead of a copy; both are offered, as a
 *                file manager offers them (it proposes the move on a
 *                Shift-drag)
 *   --only-move  propose a move and offer nothing else (no action list),
 *                as a GTK program's Shift-drag does
 *   --stay MS    keep the window open and active for MS milliseconds after
 *                the drop, as a file manager stays after a drag
 *
 * Prints, one per line:
 *   active 0xWINDOW
 *   target 0xWINDOW version N modifiers 0xMASK
 *   status accept=0|1 action=ATOM-NAME
 *   requested ATOM-NAME            (each selection request answered)
 *   finished success=0|1 action=ATOM-NAME
 * Exit status: 0 when the target finished the drop, 1 on a protocol or
 * timing failure, 2 on a usage error, 3 when the target refused the drop. */
#define _XOPEN_SOURCE 700
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <limits.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#define XDND_VERSION 5

static Display* dpy;
static Window source;
static Atom aXdndAware, aXdndSelection, aXdndEnter, aXdndPosition, aXdndStatus, aXdndLeave,
    aXdndDrop, aXdndFinished, aXdndTypeList, aCopy, aMove, aUriList, aTargets, aNetActive,
    aNetSupported, aTimestamp;
static char* uriList;

static long long NowMs(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (long long)ts.tv_sec * 1000 + ts.tv_nsec / 1000000;
}

static void PrintAtom(const char* label, Atom atom)
{
    char* name = atom != None ? XGetAtomName(dpy, atom) : NULL;
    printf("%s%s\n", label, name ? name : "None");
    if (name)
        XFree(name);
    fflush(stdout);
}

/* Answers a request for the dragged data: the file list as text/uri-list,
 * or the list of what can be had. */
static void AnswerSelectionRequest(const XSelectionRequestEvent* r)
{
    XSelectionEvent n;
    memset(&n, 0, sizeof n);
    n.type = SelectionNotify;
    n.display = r->display;
    n.requestor = r->requestor;
    n.selection = r->selection;
    n.target = r->target;
    n.time = r->time;
    n.property = r->property != None ? r->property : r->target;  /* old clients */
    PrintAtom("requested ", r->target);
    if (r->selection != aXdndSelection) {
        n.property = None;
    } else if (r->target == aTargets) {
        Atom targets[2] = {aTargets, aUriList};
        XChangeProperty(dpy, r->requestor, n.property, XA_ATOM, 32, PropModeReplace,
                        (unsigned char*)targets, 2);
    } else if (r->target == aUriList) {
        XChangeProperty(dpy, r->requestor, n.property, aUriList, 8, PropModeReplace,
                        (unsigned char*)uriList, (int)strlen(uriList));
    } else {
        n.property = None;
    }
    XSendEvent(dpy, r->requestor, False, NoEventMask, (XEvent*)&n);
    XFlush(dpy);
}

/* Waits for an event that `wanted` accepts, answering selection requests
 * meanwhile. Returns 0 when the time runs out. */
static int WaitFor(int (*wanted)(const XEvent*), XEvent* out, int timeoutMs)
{
    const long long deadline = NowMs() + timeoutMs;
    for (;;) {
        while (!XPending(dpy)) {
            const long long left = deadline - NowMs();
            if (left <= 0)
                return 0;
            struct pollfd p = {ConnectionNumber(dpy), POLLIN, 0};
            poll(&p, 1, (int)left);
        }
        XNextEvent(dpy, out);
        if (out->type == SelectionRequest)
            AnswerSelectionRequest(&out->xselectionrequest);
        if (wanted(out))
            return 1;
    }
}

static int Never(const XEvent* e) { (void)e; return 0; }
static int IsMapped(const XEvent* e) { return e->type == MapNotify && e->xmap.window == source; }
static int IsFocusIn(const XEvent* e)
{
    return e->type == FocusIn && e->xfocus.window == source && e->xfocus.mode == NotifyNormal;
}
static int IsOwnProperty(const XEvent* e)
{
    return e->type == PropertyNotify && e->xproperty.window == source && e->xproperty.atom == aTimestamp;
}
static int IsStatus(const XEvent* e) { return e->type == ClientMessage && e->xclient.message_type == aXdndStatus; }
static int IsFinished(const XEvent* e)
{
    return e->type == ClientMessage && e->xclient.message_type == aXdndFinished;
}

static int HasNetSupported(Atom atom)
{
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = NULL;
    int found = 0;
    if (XGetWindowProperty(dpy, DefaultRootWindow(dpy), aNetSupported, 0, 4096, False, XA_ATOM, &type,
                           &format, &count, &after, &data) == Success && data && format == 32) {
        const Atom* atoms = (const Atom*)data;
        for (unsigned long i = 0; i < count; ++i)
            found |= atoms[i] == atom;
    }
    if (data)
        XFree(data);
    return found;
}

/* The XDND version a window declares, 0 when it takes no drops. */
static int AwareVersion(Window w)
{
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = NULL;
    int version = 0;
    if (XGetWindowProperty(dpy, w, aXdndAware, 0, 1, False, XA_ATOM, &type, &format, &count, &after,
                           &data) == Success && data && count == 1 && format == 32)
        version = (int)*(const Atom*)data;
    if (data)
        XFree(data);
    return version;
}

/* The drop target under a root point: the outermost window on the way down
 * from the root that declares XdndAware (a window manager's frame does not). */
static Window FindTarget(int x, int y, int* version)
{
    const Window root = DefaultRootWindow(dpy);
    Window w = root;
    for (int depth = 0; depth < 64; ++depth) {
        int tx, ty;
        Window child = None;
        if (w != root && w != source && (*version = AwareVersion(w)) > 0)
            return w;
        if (!XTranslateCoordinates(dpy, root, w, x, y, &tx, &ty, &child) || child == None)
            return None;
        w = child;
    }
    return None;
}

static void Send(Window target, Atom type, long l1, long l2, long l3, long l4)
{
    XEvent e;
    memset(&e, 0, sizeof e);
    e.xclient.type = ClientMessage;
    e.xclient.display = dpy;
    e.xclient.window = target;
    e.xclient.message_type = type;
    e.xclient.format = 32;
    e.xclient.data.l[0] = (long)source;
    e.xclient.data.l[1] = l1;
    e.xclient.data.l[2] = l2;
    e.xclient.data.l[3] = l3;
    e.xclient.data.l[4] = l4;
    XSendEvent(dpy, target, False, NoEventMask, &e);
    XFlush(dpy);
}

/* file:// URIs, one a line, bytes outside the unreserved set escaped. */
static char* BuildUriList(int count, char** files)
{
    size_t size = 1;
    for (int i = 0; i < count; ++i)
        size += 7 + 3 * (strlen(files[i]) + PATH_MAX) + 2;
    char* out = malloc(size);
    if (!out)
        return NULL;
    char* p = out;
    for (int i = 0; i < count; ++i) {
        char path[PATH_MAX + 1];
        if (!realpath(files[i], path)) {
            if (files[i][0] == '/')
                snprintf(path, sizeof path, "%s", files[i]);
            else if (getcwd(path, sizeof path))
                snprintf(path + strlen(path), sizeof path - strlen(path), "/%s", files[i]);
        }
        p += sprintf(p, "file://");
        for (const unsigned char* c = (const unsigned char*)path; *c; ++c) {
            if ((*c >= 'a' && *c <= 'z') || (*c >= 'A' && *c <= 'Z') || (*c >= '0' && *c <= '9')
                || strchr("/-._~", *c))
                *p++ = (char)*c;
            else
                p += sprintf(p, "%%%02X", *c);
        }
        p += sprintf(p, "\r\n");
    }
    *p = '\0';
    return out;
}

int main(int argc, char** argv)
{
    int arg = 1;
    int move = 0;
    int onlyMove = 0;
    int stayMs = 0;
    for (; arg < argc; ++arg) {
        if (strcmp(argv[arg], "--move") == 0)
            move = 1;
        else if (strcmp(argv[arg], "--only-move") == 0)
            move = onlyMove = 1;
        else if (strcmp(argv[arg], "--stay") == 0 && arg + 1 < argc)
            stayMs = atoi(argv[++arg]);
        else
            break;
    }
    if (argc - arg < 3) {
        fprintf(stderr, "usage: xdndsource [--move] [--only-move] [--stay MS] X Y FILE...\n");
        return 2;
    }
    const int x = atoi(argv[arg]);
    const int y = atoi(argv[arg + 1]);
    uriList = BuildUriList(argc - arg - 2, argv + arg + 2);
    dpy = XOpenDisplay(NULL);
    if (!dpy || !uriList) {
        fprintf(stderr, "xdndsource: cannot open display\n");
        return 1;
    }
    aXdndAware = XInternAtom(dpy, "XdndAware", False);
    aXdndSelection = XInternAtom(dpy, "XdndSelection", False);
    aXdndEnter = XInternAtom(dpy, "XdndEnter", False);
    aXdndPosition = XInternAtom(dpy, "XdndPosition", False);
    aXdndStatus = XInternAtom(dpy, "XdndStatus", False);
    aXdndLeave = XInternAtom(dpy, "XdndLeave", False);
    aXdndDrop = XInternAtom(dpy, "XdndDrop", False);
    aXdndFinished = XInternAtom(dpy, "XdndFinished", False);
    aXdndTypeList = XInternAtom(dpy, "XdndTypeList", False);
    aCopy = XInternAtom(dpy, "XdndActionCopy", False);
    aMove = XInternAtom(dpy, "XdndActionMove", False);
    aUriList = XInternAtom(dpy, "text/uri-list", False);
    aTargets = XInternAtom(dpy, "TARGETS", False);
    aNetActive = XInternAtom(dpy, "_NET_ACTIVE_WINDOW", False);
    aNetSupported = XInternAtom(dpy, "_NET_SUPPORTED", False);
    aTimestamp = XInternAtom(dpy, "XDND_SOURCE_TIMESTAMP", False);

    /* A window of our own, away from the target, as a file manager has. */
    XSetWindowAttributes attrs;
    attrs.background_pixel = WhitePixel(dpy, DefaultScreen(dpy));
    attrs.event_mask = StructureNotifyMask | FocusChangeMask | PropertyChangeMask;
    source = XCreateWindow(dpy, DefaultRootWindow(dpy), 700, 560, 200, 100, 0, CopyFromParent,
                           InputOutput, CopyFromParent, CWBackPixel | CWEventMask, &attrs);
    XStoreName(dpy, source, "xdnd-source");
    XWMHints hints = {.flags = InputHint, .input = True};
    XSetWMHints(dpy, source, &hints);
    XSizeHints size = {.flags = USPosition | USSize, .x = 700, .y = 560, .width = 200, .height = 100};
    XSetWMNormalHints(dpy, source, &size);
    XChangeProperty(dpy, source, aXdndTypeList, XA_ATOM, 32, PropModeReplace, (unsigned char*)&aUriList, 1);
    /* The actions offered, whichever one is proposed: a file manager offers
     * both and proposes a move on a Shift-drag or between folders of one
     * file system. */
    if (!onlyMove) {
        Atom actions[2] = {aCopy, aMove};
        XChangeProperty(dpy, source, XInternAtom(dpy, "XdndActionList", False), XA_ATOM, 32,
                        PropModeReplace, (unsigned char*)actions, 2);
        static const char descriptions[] = "Copy\0Move\0";
        XChangeProperty(dpy, source, XInternAtom(dpy, "XdndActionDescription", False), XA_STRING, 8,
                        PropModeReplace, (const unsigned char*)descriptions, sizeof descriptions);
    }
    XMapRaised(dpy, source);
    XEvent e;
    if (!WaitFor(IsMapped, &e, 10000)) {
        fprintf(stderr, "xdndsource: window not mapped\n");
        return 1;
    }

    /* Become the active window: through the window manager when one runs,
     * else by taking the keyboard focus. */
    if (HasNetSupported(aNetActive)) {
        XEvent a;
        memset(&a, 0, sizeof a);
        a.xclient.type = ClientMessage;
        a.xclient.window = source;
        a.xclient.message_type = aNetActive;
        a.xclient.format = 32;
        a.xclient.data.l[0] = 2;  /* a pager's request: not subject to focus-stealing rules */
        a.xclient.data.l[1] = CurrentTime;
        XSendEvent(dpy, DefaultRootWindow(dpy), False, SubstructureRedirectMask | SubstructureNotifyMask, &a);
    } else {
        XSetInputFocus(dpy, source, RevertToPointerRoot, CurrentTime);
    }
    XFlush(dpy);
    if (!WaitFor(IsFocusIn, &e, 10000)) {
        Window focus;
        int revert;
        XGetInputFocus(dpy, &focus, &revert);
        if (focus != source) {
            fprintf(stderr, "xdndsource: could not become the active window\n");
            return 1;
        }
    }
    printf("active 0x%lx\n", (unsigned long)source);
    fflush(stdout);
    /* A user's press and first movement take a while: by then every other
     * client has seen the focus go (Qt, for one, waits 400 ms before it
     * counts its window as no longer active). */
    WaitFor(Never, &e, 800);

    /* A server time for the selection and the messages. */
    XChangeProperty(dpy, source, aTimestamp, XA_STRING, 8, PropModeAppend, (const unsigned char*)"", 0);
    if (!WaitFor(IsOwnProperty, &e, 10000)) {
        fprintf(stderr, "xdndsource: no server time\n");
        return 1;
    }
    const Time now = e.xproperty.time;
    XSetSelectionOwner(dpy, aXdndSelection, source, now);
    if (XGetSelectionOwner(dpy, aXdndSelection) != source) {
        fprintf(stderr, "xdndsource: cannot own XdndSelection\n");
        return 1;
    }

    int version = 0;
    const Window target = FindTarget(x, y, &version);
    if (target == None) {
        fprintf(stderr, "xdndsource: no XdndAware window at %d,%d\n", x, y);
        return 1;
    }
    if (version > XDND_VERSION)
        version = XDND_VERSION;
    Window rootReturn, childReturn;
    int rx, ry, wx, wy;
    unsigned int mask = 0;
    XQueryPointer(dpy, DefaultRootWindow(dpy), &rootReturn, &childReturn, &rx, &ry, &wx, &wy, &mask);
    printf("target 0x%lx version %d modifiers 0x%x\n", (unsigned long)target, version, mask);
    fflush(stdout);

    const Atom proposed = move ? aMove : aCopy;
    Send(target, aXdndEnter, (long)version << 24, (long)aUriList, None, None);
    Send(target, aXdndPosition, 0, ((long)x << 16) | (y & 0xffff), (long)now, (long)proposed);
    if (!WaitFor(IsStatus, &e, 10000)) {
        fprintf(stderr, "xdndsource: no XdndStatus\n");
        return 1;
    }
    const int accepted = (int)(e.xclient.data.l[1] & 1);
    printf("status accept=%d ", accepted);
    PrintAtom("action=", (Atom)e.xclient.data.l[4]);
    if (!accepted) {
        /* The user lets go over a window that refuses: the drag leaves it,
         * and the source stays a while as a file manager does. */
        Send(target, aXdndLeave, 0, 0, 0, 0);
        WaitFor(Never, &e, 500);
        return 3;
    }

    Send(target, aXdndDrop, 0, (long)now, 0, 0);
    if (!WaitFor(IsFinished, &e, 60000)) {
        fprintf(stderr, "xdndsource: no XdndFinished\n");
        return 1;
    }
    printf("finished success=%d ", version >= 5 ? (int)(e.xclient.data.l[1] & 1) : 1);
    PrintAtom("action=", version >= 5 ? (Atom)e.xclient.data.l[2] : None);
    if (stayMs > 0)
        WaitFor(Never, &e, stayMs);
    XDestroyWindow(dpy, source);
    XCloseDisplay(dpy);
    free(uriList);
    return 0;
}
