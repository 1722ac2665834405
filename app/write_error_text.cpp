#include "app/write_error_text.h"

#include <cerrno>
#include <cstring>

QString dmWriteErrorText(int errnum) {
  switch (errnum) {
    case EACCES:
    case EPERM: return QStringLiteral("没有写入权限");
    case ENOENT: return QStringLiteral("文件夹不存在");
    case ENOTDIR: return QStringLiteral("路径中有一项不是文件夹");
    case EISDIR: return QStringLiteral("该路径是一个文件夹");
    case ENOSPC: return QStringLiteral("磁盘空间不足");
    case EDQUOT: return QStringLiteral("超出磁盘配额");
    case EFBIG: return QStringLiteral("文件过大");
    case EROFS: return QStringLiteral("文件系统为只读");
    case ELOOP: return QStringLiteral("符号链接循环");
    case ENAMETOOLONG: return QStringLiteral("路径过长");
    case ENXIO: return QStringLiteral("没有程序在读取该管道");
    case EIO: return QStringLiteral("读写错误");
    case ENOMEM: return QStringLiteral("内存不足");
    default:
      return QStringLiteral("系统错误 %1（%2）").arg(errnum).arg(QString::fromLocal8Bit(std::strerror(errnum)));
  }
}
