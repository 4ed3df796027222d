#pragma once
// Every text the program and the command-line report show, defined once and
// named by what it is: the one table to change for another language. The
// engine holds none; it reports numbers and codes, and the layers above turn
// them into these texts.
//
// Wide literals: UTF-16 units in the Windows build, the same code points in
// the host build (every character here lies in the Basic Multilingual Plane).

namespace tw::text {

// ---- Program -----------------------------------------------------------------
inline constexpr wchar_t kAppName[] = L"塔维";
inline constexpr wchar_t kMainTitle[] = L"塔维-磁盘空间分析器";
inline constexpr wchar_t kNotElevatedCaption[] = L"塔维 - 需要管理员权限";
inline constexpr wchar_t kNotElevatedMessage[] =
    L"需要管理员权限才能扫描磁盘。\n\n请右键点击程序，选择\"以管理员身份运行\"。";

// ---- Main window controls --------------------------------------------------------
inline constexpr wchar_t kDriveLabel[] = L"驱动器";
inline constexpr wchar_t kScanButton[] = L"扫描";
inline constexpr wchar_t kTreeTab[] = L"树状视图";
inline constexpr wchar_t kFileTab[] = L"文件查看";
inline constexpr wchar_t kFolderListTitle[] = L"树状视图";
inline constexpr wchar_t kExtensionListTitle[] = L"扩展名统计";

// ---- The 变化 page ---------------------------------------------------------------
inline constexpr wchar_t kChangeTab[] = L"变化";
inline constexpr wchar_t kChangeFolderTitle[] = L"文件夹变化";
inline constexpr wchar_t kChangeFilesTitle[] = L"新增或增长最多的文件";
inline constexpr wchar_t kChangeFirstScan[] = L"首次扫描此卷 — 下次扫描后显示变化";
inline constexpr wchar_t kChangeUnreadable[] = L"上次的扫描记录无法读取 — 下次扫描后显示变化";
inline constexpr wchar_t kColumnNow[] = L"现在";
inline constexpr wchar_t kColumnGain[] = L"增加";
// " · 比上次 (2026/12/1 09:30:05) 增加 3.40 GB"
inline constexpr wchar_t kChangeStatusLead[] = L" · 比上次";
inline constexpr wchar_t kChangeStatusGrew[] = L"增加";
inline constexpr wchar_t kChangeStatusShrank[] = L"减少";
inline constexpr wchar_t kChangeStatusSame[] = L"无变化";

// ---- The 全景 page ----------------------------------------------------------------
inline constexpr wchar_t kOverviewTab[] = L"全景";
// Between the parts of the path bar: "[C:] › Users › alice".
inline constexpr wchar_t kPathBarSeparator[] = L" \u203A ";
// The tip over a grey cell, under its folder's path: "(N 个较小的项目, 共 X)".
inline constexpr wchar_t kMergedItemsLead[] = L"(";
inline constexpr wchar_t kMergedItemsCount[] = L" 个较小的项目, 共 ";
inline constexpr wchar_t kMergedItemsEnd[] = L")";

// ---- Acting on an item: its menu, copying, deleting -----------------------------------
inline constexpr wchar_t kMenuShowInExplorer[] = L"在资源管理器中显示";
inline constexpr wchar_t kMenuCopyPath[] = L"复制路径\tCtrl+C";
inline constexpr wchar_t kMenuDelete[] = L"删除\tDel";
inline constexpr wchar_t kMenuDeletePermanently[] = L"永久删除\tShift+Del";
inline constexpr wchar_t kStatusPathCopied[] = L"已复制路径";
// "将 “名称” 移到回收站？ 大小 X · N 个文件 · M 个文件夹"
inline constexpr wchar_t kConfirmRecycleLead[] = L"将 \u201C";
inline constexpr wchar_t kConfirmRecycleEnd[] = L"\u201D 移到回收站？";
// "永久删除 “名称”？ 此操作无法撤销。 大小 X · N 个文件 · M 个文件夹"
inline constexpr wchar_t kConfirmPermanentLead[] = L"永久删除 \u201C";
inline constexpr wchar_t kConfirmPermanentEnd[] = L"\u201D？ 此操作无法撤销。";
inline constexpr wchar_t kConfirmSize[] = L" 大小 ";
inline constexpr wchar_t kConfirmFiles[] = L" 个文件 · ";
inline constexpr wchar_t kConfirmFolders[] = L" 个文件夹";
// "无法删除: " and why.
inline constexpr wchar_t kDeleteRefused[] = L"无法删除: ";
inline constexpr wchar_t kRefuseRoot[] = L"这是卷的根目录";
inline constexpr wchar_t kRefuseMetadata[] = L"这是 NTFS 的元数据文件";
inline constexpr wchar_t kRefuseScanning[] = L"正在扫描，请等扫描完成";
inline constexpr wchar_t kRefuseNotThisMachine[] = L"这个扫描结果不是在本机的驱动器上扫描的";
inline constexpr wchar_t kRefuseDirectFiles[] = L"请选择一个文件或文件夹";
inline constexpr wchar_t kRefuseWildcard[] = L"名称含有 * 或 ?，请在资源管理器中删除";
inline constexpr wchar_t kRefuseTrailingDot[] = L"名称以点或空格结尾，请在资源管理器中删除";
inline constexpr wchar_t kRefuseDeviceName[] = L"名称是系统保留的设备名，请在资源管理器中删除";
inline constexpr wchar_t kRefuseLongPath[] = L"路径太长，请在资源管理器中删除";
inline constexpr wchar_t kRefuseChanged[] = L"路径已不再指向扫描到的项目，请重新扫描";
inline constexpr wchar_t kRefuseMissing[] = L"项目已不存在，请重新扫描";
// After a deletion.
inline constexpr wchar_t kStatusRecycled[] = L"已移到回收站 \u2014 清空回收站后才会释放空间";
inline constexpr wchar_t kStatusDeletedLead[] = L"已删除 \u201C";
inline constexpr wchar_t kStatusDeletedEnd[] = L"\u201D";
// "N 个项目未能删除: " and the first reason.
inline constexpr wchar_t kStatusNotDeleted[] = L" 个项目未能删除: ";
inline constexpr wchar_t kStatusDeleting[] = L"正在删除...";
inline constexpr wchar_t kStatusRereadFailed[] = L"无法重新读取卷 — 按 F5 重新扫描";

// ---- Tray ----------------------------------------------------------------------
inline constexpr wchar_t kTrayBalloonTitle[] = L"塔维已最小化到托盘";
inline constexpr wchar_t kTrayBalloonText[] = L"单击托盘图标恢复窗口，右键可退出程序";
inline constexpr wchar_t kTrayShowMain[] = L"显示主窗口";
inline constexpr wchar_t kTrayClearScans[] = L"清除扫描记录";
inline constexpr wchar_t kTrayExit[] = L"退出";

// ---- Status line -------------------------------------------------------------------
inline constexpr wchar_t kStatusReady[] = L"就绪 — 以管理员身份运行 · MFT 快速扫描";
inline constexpr wchar_t kStatusScanning[] = L"正在扫描...";
inline constexpr wchar_t kStatusScanFailed[] = L"扫描失败 — 请确认以管理员身份运行";
inline constexpr wchar_t kStatusNotNtfs[] = L"扫描失败 — 该驱动器不是 NTFS 卷";
// After 清除扫描记录 in the tray menu (the status line is left alone while a scan runs).
inline constexpr wchar_t kStatusScansCleared[] = L"扫描记录已清除";
inline constexpr wchar_t kStatusScansNotCleared[] = L"无法清除扫描记录";
// "扫描完成 " seconds " 秒 · MFT · " size " · " files " 文件 · " folders " 文件夹" hint
inline constexpr wchar_t kStatusDoneLead[] = L"扫描完成 ";
inline constexpr wchar_t kStatusDoneSeconds[] = L" 秒 · MFT · ";
inline constexpr wchar_t kStatusDoneFiles[] = L" 文件 · ";
inline constexpr wchar_t kStatusDoneFolders[] = L" 文件夹";
inline constexpr wchar_t kStatusDoneHint[] = L" · 单击三角展开";
// " · " N " 条记录无法读取": MFT records a scan could not read, last on the line.
inline constexpr wchar_t kStatusUnreadableLead[] = L" · ";
inline constexpr wchar_t kStatusUnreadable[] = L" 条记录无法读取";
// The command line's warning: "警告: " N " 条记录无法读取 (字节 " first "-" last ", ...)".
inline constexpr wchar_t kWarningPrefix[] = L"警告: ";
inline constexpr wchar_t kWarningBytes[] = L" (字节 ";

// ---- Scan progress and failures ------------------------------------------------------
inline constexpr wchar_t kProgressOpening[] = L"正在打开 NTFS 卷...";
inline constexpr wchar_t kProgressReadingMft[] = L"正在读取 MFT...";
// "MFT " mebibytes " MB · " threads " 线程并行解析"
inline constexpr wchar_t kProgressMftLead[] = L"MFT ";
inline constexpr wchar_t kProgressMftThreads[] = L" MB \u00B7 ";
inline constexpr wchar_t kProgressMftTail[] = L" 线程并行解析";
// "并行解析: " done " / " total
inline constexpr wchar_t kProgressSlices[] = L"并行解析: ";
inline constexpr wchar_t kProgressOverflow[] = L"解析 ATTRIBUTE_LIST 溢出属性...";
inline constexpr wchar_t kProgressApply[] = L"合并扩展 MFT 记录...";
inline constexpr wchar_t kProgressTree[] = L"构建目录树...";

inline constexpr wchar_t kErrorPrefix[] = L"错误: ";
inline constexpr wchar_t kErrorOpenVolume[] = L"无法打开卷，请确认以管理员身份运行。";
inline constexpr wchar_t kErrorReadMft[] = L"无法读取 MFT。";
inline constexpr wchar_t kErrorOtherVolume[] = L"这不是扫描时的卷 (卷序列号不同)。";
// The window's line for a volume whose boot sector the system cannot read.
inline constexpr wchar_t kErrorReadBootSector[] = L"无法读取卷的引导扇区。";
inline constexpr wchar_t kErrorOutOfMemory[] = L"内存不足。";
inline constexpr wchar_t kErrorUnknown[] = L"未知错误。";
// The command line's output could not be written: "错误: 无法写入输出。 (" where
// ": " the system's words ")", where is the file, or 标准输出 for stdout.
inline constexpr wchar_t kErrorWriteOutput[] = L"无法写入输出。";
inline constexpr wchar_t kStandardOutput[] = L"标准输出";
// The command line's reasons for a source it could not scan.
inline constexpr wchar_t kErrorCannotOpen[] = L"无法打开源。";
inline constexpr wchar_t kErrorPermissionDenied[] = L"没有读取权限。";
inline constexpr wchar_t kErrorEmptySource[] = L"源为空。";
// The system refused to read the boot sector or the partition table: "错误: 无法读取源。 ("
// source ": " the system's words ")".
inline constexpr wchar_t kErrorCannotRead[] = L"无法读取源。";
inline constexpr wchar_t kErrorNotNtfs[] = L"没有找到 NTFS 卷。";
// "没有 NTFS 分区 " N "。"
inline constexpr wchar_t kErrorNoSuchPartition[] = L"没有 NTFS 分区 ";
inline constexpr wchar_t kErrorNoSuchPartitionEnd[] = L"。";
// A partition whose table entry runs past the end of the source is read up
// to that end: "警告: 分区 " N " 超出源的末尾，只读取到源的末尾 (字节 " first "-" last ")",
// the bytes those of the entry.
inline constexpr wchar_t kWarningPartitionLead[] = L"分区 ";
inline constexpr wchar_t kWarningPartitionPastEnd[] = L" 超出源的末尾，只读取到源的末尾";
// Two scans compared.
inline constexpr wchar_t kCompareLead[] = L"变化: 大小 ";
inline constexpr wchar_t kCompareAllocated[] = L" · 分配 ";
inline constexpr wchar_t kCompareAddedCount[] = L" 个文件新增 · ";
inline constexpr wchar_t kCompareRemovedCount[] = L" 个文件删除";
inline constexpr wchar_t kCompareBefore[] = L"之前";
inline constexpr wchar_t kCompareChange[] = L"变化";
inline constexpr wchar_t kCompareFilesAdded[] = L"新增文件";
inline constexpr wchar_t kCompareFilesRemoved[] = L"删除文件";
inline constexpr wchar_t kCompareAdded[] = L"新增";
inline constexpr wchar_t kCompareRemoved[] = L"已删除";
inline constexpr wchar_t kCompareAddedFiles[] = L"新增的文件";
inline constexpr wchar_t kCompareRemovedFiles[] = L"删除的文件";
inline constexpr wchar_t kCompareResizedFiles[] = L"大小改变的文件";
inline constexpr wchar_t kCompareExtensions[] = L"扩展名变化";
inline constexpr wchar_t kWarningOtherVolume[] = L"两次扫描的卷序列号不同，可能不是同一个卷";
// Saved scans.
inline constexpr wchar_t kErrorSnapshotDamaged[] = L"扫描存档已损坏。";
inline constexpr wchar_t kErrorSnapshotTruncated[] = L"扫描存档不完整。";
inline constexpr wchar_t kErrorSnapshotNewer[] = L"扫描存档来自更新的版本，无法读取。";
inline constexpr wchar_t kErrorSnapshotSave[] = L"无法保存扫描存档。";

// ---- Space summary ---------------------------------------------------------------------
inline constexpr wchar_t kSpaceTotal[] = L"总空间";
inline constexpr wchar_t kSpaceUsed[] = L"已用";
inline constexpr wchar_t kSpaceFree[] = L"可用";
inline constexpr wchar_t kSpaceUnknown[] = L" —";

// ---- Results ----------------------------------------------------------------------------
inline constexpr wchar_t kDirectFiles[] = L"[直接文件]";
inline constexpr wchar_t kNoExtension[] = L"(无扩展名)";
inline constexpr wchar_t kTopLevelCaption[] = L"顶级文件夹";
// The tooltip of a treemap cell: "name\n大小 1.20 MB · 分配 1.25 MB · 占比 12.5%".
inline constexpr wchar_t kTooltipSize[] = L"大小 ";
inline constexpr wchar_t kTooltipAllocated[] = L" · 分配 ";
inline constexpr wchar_t kTooltipShare[] = L" · 占比 ";

// Column headers.
inline constexpr wchar_t kColumnFolder[] = L"文件夹";
inline constexpr wchar_t kColumnParentShare[] = L"占父目录 %";
inline constexpr wchar_t kColumnSize[] = L"大小";
inline constexpr wchar_t kColumnAllocated[] = L"分配";
inline constexpr wchar_t kColumnItems[] = L"项目";
inline constexpr wchar_t kColumnFiles[] = L"文件";
inline constexpr wchar_t kColumnFolders[] = L"文件夹";
inline constexpr wchar_t kColumnModified[] = L"修改时间";
inline constexpr wchar_t kColumnAttributes[] = L"属性";
inline constexpr wchar_t kColumnFileName[] = L"文件名";
inline constexpr wchar_t kColumnPath[] = L"路径";
inline constexpr wchar_t kColumnExtension[] = L"扩展名";
inline constexpr wchar_t kColumnShare[] = L"占比";
inline constexpr wchar_t kColumnFileCount[] = L"文件数";

}  // namespace tw::text
