/* show, search port, get and save: the table as lib53115 lists it with
 * whole VLAN ids, as aligned columns, JSON, or a batch that puts the
 * static entries back, written whole to a file or not at all. */
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "arl_print.h"
#include "cli.h"

/* In static storage: the tool runs with a small stack. */
brcm53115_arl_list arl_lists[2];

/* The output of a listing, begun at its first entry: a listing that fails
 * prints nothing. */
struct listing {
    struct arl_out out;
    int form, begun;
};

static void begin(struct listing *l)
{
    if (!l->begun)
        arl_out_begin(&l->out, l->form, "");
    l->begun = 1;
}

static int list_row(const arl_data *a, int confirmed, void *ctx)
{
    struct listing *l = (struct listing *)ctx;
    (void)confirmed;
    if (l->form == ARL_FORM_SAVE && !(a->valid & a->sbit & 1))
        return 0;
    begin(l);
    arl_out_entry(&l->out, a, "", "");
    return 0;
}

void arl_unconfirmed(arl_data *bad)
{
    for (uint32_t i = 0; i < arl_lists[0].n; i++) {
        const brcm53115_arl_row *r = &arl_lists[0].rows[i];
        if ((r->flags & (BRCM53115_ROW_STATIC | BRCM53115_ROW_CONFIRMED)) == BRCM53115_ROW_STATIC)
            brcm53115_arl_row_data(r, bad);
    }
}

/* Lists the entries that pass the filter in the given form; with
 * `strict`, an unconfirmed static entry fails it (the entry in *bad). */
static int list(const brcm53115_arl_filter *f, int form, int strict, arl_data *bad)
{
    struct listing l;
    l.form = form;
    l.begun = 0;
    /* The table is taken whole and printed after it, so that a slow
     * reader of the output never holds up the switch. */
    int rc = brcm53115_list_arl_tab(&arl_lists[0], f, NULL, strict, list_row, &l);
    if (rc == BRCM53115_ERR_UNCONFIRMED)
        arl_unconfirmed(bad);
    if (rc < 0)
        return rc;
    begin(&l);
    return arl_out_end(&l.out);
}

int arl_show_func(struct arl_cmd *c)
{
    return list(&c->filter, c->json ? ARL_FORM_JSON : ARL_FORM_ROWS, 0, &c->arl);
}

int arl_get_func(struct arl_cmd *c)
{
    struct arl_out o;
    int rc = brcm53115_lookup_arl_tab(&c->arl);
    if (rc != BRCM53115_FOUND)
        return rc < 0 ? rc : BRCM53115_ABSENT;
    arl_out_begin(&o, c->json ? ARL_FORM_LINES : ARL_FORM_ROWS, "");
    arl_out_entry(&o, &c->arl, "", "");
    return arl_out_end(&o);
}

/* save FILE: the batch into a new file beside FILE, flushed to the disk,
 * then renamed over FILE; on any failure FILE is left as it was and the
 * new file removed.  Standard output is pointed at the new file for the
 * listing, and back after it. */
int arl_save_func(struct arl_cmd *c)
{
    if (!c->file || strcmp(c->file, "-") == 0) {
        c->file = NULL;
        return list(NULL, ARL_FORM_SAVE, 1, &c->arl);
    }
    char tmp[4096];
    struct stat sb;
    if (snprintf(tmp, sizeof tmp, "%s.XXXXXX", c->file) >= (int)sizeof tmp) {
        errno = ENAMETOOLONG;
        return BRCM53115_ERR_OUTPUT;
    }
    /* A replaced FILE keeps its mode; a new one is 0644 less the umask. */
    mode_t mask = umask(0);
    umask(mask);
    mode_t mode = stat(c->file, &sb) == 0 ? sb.st_mode & 07777 : 0644 & ~mask;
    int fd = mkstemp(tmp);
    if (fd < 0)
        return BRCM53115_ERR_OUTPUT;
    fflush(stdout);
    int out = dup(1);
    int rc = fchmod(fd, mode) == 0 && dup2(fd, 1) == 1 ? 0 : BRCM53115_ERR_OUTPUT;
    close(fd);
    if (rc == 0)
        rc = list(NULL, ARL_FORM_SAVE, 1, &c->arl);
    if (rc == 0 && fsync(1) != 0)
        rc = BRCM53115_ERR_OUTPUT;
    int err = errno;
    fflush(stdout);
    clearerr(stdout);
    if (out >= 0) {
        dup2(out, 1);
        close(out);
    } else {
        close(1);
    }
    if (rc == 0 && rename(tmp, c->file) != 0) {
        rc = BRCM53115_ERR_OUTPUT;
        err = errno;
    }
    if (rc != 0) {
        unlink(tmp);
        errno = err;
        return rc;
    }
    /* The rename itself to the disk: the directory flushed too, where the
     * file system can (the new content is on the disk already, and FILE
     * holds either the old or the new whole). */
    char *slash = strrchr(tmp, '/');
    if (slash)
        slash[slash == tmp] = '\0';
    int dir = open(slash ? tmp : ".", O_RDONLY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
    return 0;
}
