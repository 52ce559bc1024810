/* ProSizeConst.h: buffer lengths of the toolkit's fixed-size string types.
 *
 * Every length counts the terminating NUL. The wide buffers hold wchar_t, which
 * is 32 bits (UTF-32) on POSIX, so a ProLine is 81 * 4 bytes here, not 81 * 2 as
 * on Windows. */
#ifndef TAV_TK_PROSIZECONST_H
#define TAV_TK_PROSIZECONST_H

#define PRO_NAME_SIZE 32        /* ProName, ProCharName: 31 characters */
#define PRO_LINE_SIZE 81        /* ProLine, ProCharLine: 80 characters */
#define PRO_PATH_SIZE 260       /* ProPath, ProCharPath */
#define PRO_FILE_NAME_SIZE 40   /* ProFileName: name 32 + extension 4 + version 4 */
#define PRO_COMMENT_SIZE 256    /* ProComment */
#define PRO_FAMILY_NAME_SIZE 66 /* ProFamilyName: "instance<generic>" */
#define PRO_CONNECTID_SIZE 256  /* ProConnectionId */

/* Field lengths of ProMdldata / ProModel (this API's own macro names). */
#define PRO_MDLDATA_NAME_SIZE 80
#define PRO_MDLDATA_TYPE_SIZE 10
#define PRO_MDLDATA_DEVICE_SIZE 20
#define PRO_MDLDATA_HOST_SIZE 80

/* Menu-bar name and label buffers (narrow). */
#define PRO_MENU_NAME_SIZE 32
#define PRO_MENU_LABEL_SIZE 81

#endif /* TAV_TK_PROSIZECONST_H */
