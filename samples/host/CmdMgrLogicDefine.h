// CmdMgrLogicDefine.h: names of the commands registered with the command manager.
// 命令管理器注册的命令名称。
#pragma once

#include <tchar.h>

#define CMD_NAME_MAX_LEN            64

// ---- 行情 quote views ----
#define CMD_QUOTE_LIST              _T("QuoteList")
#define CMD_QUOTE_DETAIL            _T("QuoteDetail")
#define CMD_MINUTE_CHART            _T("MinuteChart")
#define CMD_KLINE_CHART             _T("KLineChart")
#define CMD_TICK_DETAIL             _T("TickDetail")
#define CMD_MULTI_STOCK             _T("MultiStock")
#define CMD_BLOCK_INDEX             _T("BlockIndex")
#define CMD_INDICATOR_LIST          _T("IndicatorList")
#define CMD_DRAW_TOOLS              _T("DrawTools")

// ---- 自选股 self-selected stocks ----
#define CMD_SELF_STOCK              _T("SelfStock")
#define CMD_SELF_STOCK_ADD          _T("SelfStockAdd")
#define CMD_SELF_STOCK_DEL          _T("SelfStockDel")
#define CMD_SELF_STOCK_SORT         _T("SelfStockSort") // 按涨幅排序

// ---- 资讯 information ----
#define CMD_F10_INFO                _T("F10Info")
#define CMD_NEWS_LIST               _T("NewsList")
#define CMD_NEWS_DETAIL             _T("NewsDetail")

// ---- 窗口 windows ----
#define CMD_ZOOM_IN                 _T("Zoom+")
#define CMD_ZOOM_OUT                _T("ZoomOut")
#define CMD_FULL_SCREEN             _T("FullScreen")   // 全屏切换
#define CMD_WINDOW_CASCADE          _T("WindowCascade")
#define CMD_WINDOW_TILE_HORZ        _T("WindowTileHorz")
#define CMD_WINDOW_TILE_VERT        _T("WindowTileVert")
#define CMD_WINDOW_CLOSE_ALL        _T("WindowCloseAll")
#define CMD_PRINT                   _T("Print")        /* 打印当前窗口 */

// ---- 系统 system ----
#define CMD_CONNECT_QUOTE_SERVER    _T("ConnectQuoteServer")
#define CMD_DISCONNECT_QUOTE_SERVER _T("DisconnectQuoteServer")
#define CMD_SYSTEM_SETTINGS         _T("SystemSettings")
#define CMD_CHECK_UPDATE            _T("CheckUpdate")
#define CMD_ABOUT                   _T("About")
#define CMD_EXIT                    _T("Exit")
#define CMD_FUNC_KEYBOARD_WIZARD    _T("KeyboardWizard")
#define CMD_FUN_SWITCH_WORKSPACE    _T("SwitchWorkspace")
#define CMD_REFRESH_FUND_LIST       _T("RefreshFundList")
#define CMD_SEARCH_STOCK            _T("Search Stock")
#define CMD_TITLE_DEFAULT           _T("行情终端")

#ifdef _DEBUG
#define CMD_DEBUG_DUMP              _T("DebugDump")
#endif
