// The engine's messages (GBK in the binary, as all of the system's text).
#pragma once

namespace kivengine {

inline constexpr const char* SModelError = "模型文件[%s]第%d行: %s";
inline constexpr const char* SModelNoHeader = "文件不是以“KivModel 1”开头的模型文件";
inline constexpr const char* SModelBadVersion = "不支持的模型文件版本[%s]";
inline constexpr const char* SModelUnexpected = "此处不能出现[%s]";
inline constexpr const char* SModelBadLine = "[%s]行的格式不正确";
inline constexpr const char* SModelNoEnd = "缺少“end”";
inline constexpr const char* SModelDuplicateName = "名称[%s]重复";
inline constexpr const char* SModelTooManyFields = "表[%s]的字段超过255个";
inline constexpr const char* SModelBadKey = "主键字段[%s]不是表[%s]的整数字段";
inline constexpr const char* SModelBadType = "未知的数据类型[%s]";
inline constexpr const char* SModelBadKind = "字段种类[%s]不正确";
inline constexpr const char* SModelTooLarge = "模型文件过大";
inline constexpr const char* SModelTooDeep = "嵌套表的层数过多";

inline constexpr const char* SUnknownDatabase = "数据集[%s]不存在";
inline constexpr const char* SUnknownTable = "表[%s]不存在";
inline constexpr const char* SUnknownField = "表[%s]没有字段[%s]";
inline constexpr const char* SForeignModel = "模型不是本引擎创建的";
inline constexpr const char* SBadOptions = "不支持的参数[%d, %d]";

inline constexpr const char* SDuplicateKey = "表[%s]中主键为[%d]的记录已存在";
inline constexpr const char* SNullKey = "表[%s]的记录主键[%s]为空";
inline constexpr const char* SNotNewRecord = "记录不是表[%s]的新记录";
inline constexpr const char* SRecordIndex = "表[%s]的记录序号[%d]越界";
inline constexpr const char* SFieldIndex = "表[%s]的字段序号[%d]越界";
inline constexpr const char* SRecordRemoved = "记录已不属于任何表";
inline constexpr const char* STableField = "字段[%s]存放的是表，不能赋值";
inline constexpr const char* SBadValue = "值[%s]不能赋给字段[%s]";

inline constexpr const char* SBodyDamaged = "表[%s]的数据已损坏: %s";
inline constexpr const char* SBodyBadCount = "记录数[%d]不正确";
inline constexpr const char* SBodyBadLength = "字符串长度[%d]不正确";
inline constexpr const char* SBodyTruncated = "数据不完整";

}  // namespace kivengine
