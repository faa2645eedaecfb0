/* The ARL commands: parse the words into one arl_data record and run one
 * table operation on it. */
#include <errno.h>
#include <stdio.h>
#include <string.h>

#include "cli.h"

/* Largest value each numeric argument may take: the width of the field
 * that holds it. */
#define VID_MAX 255u /* the VLAN id registers are one byte wide */
#define FLAG_MAX 1u  /* valid, static, age */
#define TC_MAX 7u    /* as the usage promises; the entry keeps 2 bits */
#define PID_MAX 15u  /* 4-bit port field of an entry */
#define MWRITE_VID 6 /* VLAN of the mwrite and mdel commands */

void dump_arl_data(arl_data *arl)
{
    (void)arl;
}

/* read [vid] MAC */
static int parse_read(int argc, char **argv, arl_data *arl)
{
    if (argc == 4)
        return str2mac(argv[3], arl->mac);
    if (argc == 5 && str2uint(argv[3], VID_MAX, &arl->vid) == 0)
        return str2mac(argv[4], arl->mac);
    return -1;
}

/* write VID MAC VALID STATIC AGE TC PORT */
static int parse_write(int argc, char **argv, arl_data *arl)
{
    if (argc != 10 || str2uint(argv[3], VID_MAX, &arl->vid) || str2mac(argv[4], arl->mac) ||
        str2uint(argv[5], FLAG_MAX, &arl->valid) || str2uint(argv[6], FLAG_MAX, &arl->sbit) ||
        str2uint(argv[7], FLAG_MAX, &arl->age) || str2uint(argv[8], TC_MAX, &arl->tc) ||
        str2uint(argv[9], PID_MAX, &arl->pid))
        return -1;
    return 0;
}

/* mwrite|mdel STATIC PORT MAC AGE, on VLAN 6 */
static int parse_mwrite(int argc, char **argv, arl_data *arl, int valid)
{
    if (argc != 7 || str2uint(argv[3], FLAG_MAX, &arl->sbit) ||
        str2uint(argv[4], PID_MAX, &arl->pid) || str2mac(argv[5], arl->mac) ||
        str2uint(argv[6], FLAG_MAX, &arl->age))
        return -1;
    arl->vid = MWRITE_VID;
    arl->valid = valid;
    return 0;
}

/* show [--json] | search port PORT [--json] */
static int parse_show(int argc, char **argv, int32_t *port, int *json)
{
    int first = 3; /* the word that may be --json */
    *port = -1;
    if (strcmp(argv[2], "search") == 0) {
        if (argc < 5 || strcmp(argv[3], "port") != 0 || str2uint(argv[4], PID_MAX, port))
            return -1;
        first = 5;
    }
    *json = argc == first + 1 && strcmp(argv[first], "--json") == 0;
    return argc == first + *json ? 0 : -1;
}

/* One line on stderr for a command that failed. */
static void report(const char *name, const char *cmd, int rc, const arl_data *arl)
{
    const uint8_t *m = arl->mac;
    const brcm53115_access *f = &brcm53115_failed;
    int err = errno;
    fprintf(stderr, "%s: arl %s: ", name, cmd);
    if (rc == BRCM53115_ERR_TIMEOUT)
        fprintf(stderr, "the switch did not finish the access within %d ms\n",
                BRCM53115_WRITE_TIMEOUT_US / 1000);
    else if (rc == BRCM53115_ERR_FULL)
        fprintf(stderr,
                "no room for %02x:%02x:%02x:%02x:%02x:%02x on VLAN %d: both entries of its "
                "bucket hold other addresses\n",
                m[0], m[1], m[2], m[3], m[4], m[5], (int)arl->vid);
    else if (rc == BRCM53115_ERR_ACCESS)
        fprintf(stderr, "%s_register page 0x%02x offset 0x%02x length %d failed: %d\n",
                f->write ? "set" : "get", f->page, f->offset, f->length, f->result);
    else if (rc == ARL_ERR_OUTPUT)
        fprintf(stderr, "cannot write the output: %s\n", strerror(err));
    else /* the table lock */
        fprintf(stderr, "cannot take the table lock %s: %s\n", brcm53115_arl_lock_path(),
                rc == BRCM53115_ERR_LOCK ? "held by another process"
                : err == EPERM           ? "not a 0600 file of this user's"
                                         : strerror(err));
}

int arl_func(int argc, char **argv)
{
    arl_data arl;
    int rc;
    int32_t port;
    int json;

    if (argc < 3)
        return ARL_CMD_MALFORMED;
    memset(&arl, 0, sizeof arl);

    /* The write commands put the entry into the bin of its bucket that
     * belongs to it, keeping the bucket's other entry. */
    const char *cmd = argv[2];
    if (strcmp(cmd, "read") == 0) {
        if (parse_read(argc, argv, &arl))
            return ARL_CMD_MALFORMED;
        rc = brcm53115_read_arl_tab(&arl);
    } else if (strcmp(cmd, "search") == 0 && argc == 4) {
        if (str2mac(argv[3], arl.mac))
            return ARL_CMD_MALFORMED;
        rc = brcm53115_search_arl_tab(&arl);
    } else if (strcmp(cmd, "search") == 0 || strcmp(cmd, "show") == 0) {
        if (parse_show(argc, argv, &port, &json))
            return ARL_CMD_MALFORMED;
        rc = arl_show_func(port, json);
    } else if (strcmp(cmd, "write") == 0) {
        if (parse_write(argc, argv, &arl))
            return ARL_CMD_MALFORMED;
        rc = brcm53115_update_arl_tab(&arl);
    } else if (strcmp(cmd, "mwrite") == 0 || strcmp(cmd, "mdel") == 0) {
        if (parse_mwrite(argc, argv, &arl, strcmp(cmd, "mwrite") == 0))
            return ARL_CMD_MALFORMED;
        rc = brcm53115_update_arl_tab(&arl);
    } else {
        return ARL_CMD_MALFORMED;
    }

    if (rc < 0) {
        report(argv[0], cmd, rc, &arl);
        return ARL_CMD_FAILED;
    }
    dump_arl_data(&arl);
    return ARL_CMD_DONE;
}
