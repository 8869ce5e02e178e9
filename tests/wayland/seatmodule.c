/*
 * A weston module for the Wayland tests: weston's headless back end has no
 * seat, so nothing can click a window on it. This module adds one seat with a
 * pointer and a keyboard and takes commands, one a line, from the FIFO named
 * by VIDFOLIO_SEAT_COMMANDS, answering each in the file named by
 * VIDFOLIO_SEAT_ANSWERS with a line "ID done" (after any lines of its own):
 *
 *   ID move X Y        pointer to the global position X, Y
 *   ID click           left button pressed and released where the pointer is
 *   ID key CODE        the key of Linux input code CODE pressed and released
 *   ID press CODE      that key pressed and held (a modifier for the next
 *                      commands)
 *   ID release CODE    that key released
 *   ID windows         one line per toplevel window:
 *                      "ID window APP_ID X Y WIDTH HEIGHT MAXIMIZED", the
 *                      window's geometry (without shadows) in global
 *                      coordinates
 *   ID close APP_ID    asks the windows of APP_ID to close, as a compositor's
 *                      own close does, minimized ones too
 *   ID quit            ends the compositor
 */
#include <libweston/libweston.h>
#include <libweston/version.h>
/* From weston 12 on, the desktop API is part of libweston itself. */
#if WESTON_VERSION_MAJOR >= 12
#include <libweston/desktop.h>
#else
#include <libweston-desktop/libweston-desktop.h>
#endif

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <linux/input-event-codes.h>

/* Exported by libweston, declared in a header it does not install. */
void weston_seat_init(struct weston_seat *seat, struct weston_compositor *ec,
                      const char *seat_name);
int weston_seat_init_pointer(struct weston_seat *seat);
int weston_seat_init_keyboard(struct weston_seat *seat, struct xkb_keymap *keymap);
/* Positions are a struct of global coordinates from weston 12 on, two
 * doubles before (libweston/backend.h of each version). */
#if WESTON_VERSION_MAJOR >= 12
void notify_motion_absolute(struct weston_seat *seat, const struct timespec *time,
                            struct weston_coord_global pos);
#else
void notify_motion_absolute(struct weston_seat *seat, const struct timespec *time, double x,
                            double y);
#endif
void notify_button(struct weston_seat *seat, const struct timespec *time, int32_t button,
                   enum wl_pointer_button_state state);
void notify_key(struct weston_seat *seat, const struct timespec *time, uint32_t key,
                enum wl_keyboard_key_state state, enum weston_key_state_update update_state);
void notify_pointer_frame(struct weston_seat *seat);

/* A surface of a client, known from its making to its end: a minimized
 * window has no view on screen to be found by. */
struct known_surface
{
    struct weston_surface *surface;
    struct wl_listener destroyed;
    struct wl_list link;
};

struct seat_module
{
    struct weston_compositor *compositor;
    struct wl_listener surface_made;
    struct wl_list surfaces;
    struct weston_seat seat;
    int commands;
    FILE *answers;
    char line[512];
    size_t used;
};

static void pointer_button(struct seat_module *m, enum wl_pointer_button_state state)
{
    struct timespec now;
    weston_compositor_get_time(&now);
    notify_button(&m->seat, &now, BTN_LEFT, state);
    notify_pointer_frame(&m->seat);
}

static void list_windows(struct seat_module *m, const char *id)
{
    struct weston_view *view;
    wl_list_for_each(view, &m->compositor->view_list, link)
    {
        struct weston_desktop_surface *surface = weston_surface_get_desktop_surface(view->surface);
        /* Popups carry no app id. */
        const char *app = surface ? weston_desktop_surface_get_app_id(surface) : NULL;
        if (!app)
            continue;
        struct weston_geometry g = weston_desktop_surface_get_geometry(surface);
#if WESTON_VERSION_MAJOR >= 12
        const double x = view->geometry.pos_offset.x, y = view->geometry.pos_offset.y;
#else
        const double x = view->geometry.x, y = view->geometry.y;
#endif
        fprintf(m->answers, "%s window %s %d %d %d %d %d\n", id, app, (int)x + g.x, (int)y + g.y,
                g.width, g.height, weston_desktop_surface_get_maximized(surface) ? 1 : 0);
    }
}

static void surface_destroyed(struct wl_listener *listener, void *data)
{
    struct known_surface *known = wl_container_of(listener, known, destroyed);
    (void)data;
    wl_list_remove(&known->link);
    wl_list_remove(&known->destroyed.link);
    free(known);
}

static void surface_made(struct wl_listener *listener, void *data)
{
    struct seat_module *m = wl_container_of(listener, m, surface_made);
    struct known_surface *known = calloc(1, sizeof *known);
    if (!known)
        return;
    known->surface = data;
    known->destroyed.notify = surface_destroyed;
    wl_signal_add(&known->surface->destroy_signal, &known->destroyed);
    wl_list_insert(&m->surfaces, &known->link);
}

static void close_windows(struct seat_module *m, const char *app_id)
{
    struct known_surface *known;
    wl_list_for_each(known, &m->surfaces, link)
    {
        struct weston_desktop_surface *surface = weston_surface_get_desktop_surface(known->surface);
        const char *app = surface ? weston_desktop_surface_get_app_id(surface) : NULL;
        if (app && strcmp(app, app_id) == 0)
            weston_desktop_surface_close(surface);
    }
}

static void run_command(struct seat_module *m, char *line)
{
    char id[32], verb[32], arg[256];
    double x, y;
    unsigned code;
    struct timespec now;
    if (sscanf(line, "%31s %31s", id, verb) != 2)
        return;
    weston_compositor_get_time(&now);
    if (strcmp(verb, "move") == 0 && sscanf(line, "%*s %*s %lf %lf", &x, &y) == 2) {
#if WESTON_VERSION_MAJOR >= 12
        const struct weston_coord_global pos = {.c = {.x = x, .y = y}};
        notify_motion_absolute(&m->seat, &now, pos);
#else
        notify_motion_absolute(&m->seat, &now, x, y);
#endif
        notify_pointer_frame(&m->seat);
    } else if (strcmp(verb, "click") == 0) {
        pointer_button(m, WL_POINTER_BUTTON_STATE_PRESSED);
        pointer_button(m, WL_POINTER_BUTTON_STATE_RELEASED);
    } else if (strcmp(verb, "key") == 0 && sscanf(line, "%*s %*s %u", &code) == 1) {
        notify_key(&m->seat, &now, code, WL_KEYBOARD_KEY_STATE_PRESSED, STATE_UPDATE_AUTOMATIC);
        notify_key(&m->seat, &now, code, WL_KEYBOARD_KEY_STATE_RELEASED, STATE_UPDATE_AUTOMATIC);
    } else if (strcmp(verb, "press") == 0 && sscanf(line, "%*s %*s %u", &code) == 1) {
        notify_key(&m->seat, &now, code, WL_KEYBOARD_KEY_STATE_PRESSED, STATE_UPDATE_AUTOMATIC);
    } else if (strcmp(verb, "release") == 0 && sscanf(line, "%*s %*s %u", &code) == 1) {
        notify_key(&m->seat, &now, code, WL_KEYBOARD_KEY_STATE_RELEASED, STATE_UPDATE_AUTOMATIC);
    } else if (strcmp(verb, "windows") == 0) {
        list_windows(m, id);
    } else if (strcmp(verb, "close") == 0 && sscanf(line, "%*s %*s %255s", arg) == 1) {
        close_windows(m, arg);
    } else if (strcmp(verb, "quit") == 0) {
        weston_compositor_exit(m->compositor);
    } else {
        fprintf(m->answers, "%s unknown\n", id);
    }
    fprintf(m->answers, "%s done\n", id);
    fflush(m->answers);
}

static int commands_readable(int fd, uint32_t mask, void *data)
{
    struct seat_module *m = data;
    (void)mask;
    ssize_t got;
    while ((got = read(fd, m->line + m->used, sizeof m->line - 1 - m->used)) > 0) {
        m->used += (size_t)got;
        m->line[m->used] = '\0';
        char *end;
        while ((end = strchr(m->line, '\n')) != NULL) {
            *end = '\0';
            run_command(m, m->line);
            const size_t rest = m->used - (size_t)(end + 1 - m->line);
            memmove(m->line, end + 1, rest);
            m->used = rest;
            m->line[m->used] = '\0';
        }
        if (m->used == sizeof m->line - 1)
            m->used = 0; /* a line too long for any command */
    }
    return 0;
}

WL_EXPORT int wet_module_init(struct weston_compositor *compositor, int *argc, char *argv[])
{
    (void)argc;
    (void)argv;
    const char *commands = getenv("VIDFOLIO_SEAT_COMMANDS");
    const char *answers = getenv("VIDFOLIO_SEAT_ANSWERS");
    if (!commands || !answers)
        return -1;
    struct seat_module *m = calloc(1, sizeof *m);
    if (!m)
        return -1;
    m->compositor = compositor;
    wl_list_init(&m->surfaces);
    m->surface_made.notify = surface_made;
    wl_signal_add(&compositor->create_surface_signal, &m->surface_made);
    /* Read and write, so that the FIFO never reports an end of file when the
     * test closes its side between commands. */
    m->commands = open(commands, O_RDWR | O_NONBLOCK | O_CLOEXEC);
    m->answers = fopen(answers, "ae");
    if (m->commands < 0 || !m->answers)
        return -1;
    weston_seat_init(&m->seat, compositor, "default");
    weston_seat_init_pointer(&m->seat);
    weston_seat_init_keyboard(&m->seat, NULL);
    wl_event_loop_add_fd(wl_display_get_event_loop(compositor->wl_display), m->commands,
                         WL_EVENT_READABLE, commands_readable, m);
    return 0;
}
