// CmdMgrLogicDefine.h: commands registered with the command manager (CMD_FUN_*) and the argument
// values they take (CMD_ARG_*).
// 命令管理器注册的命令 (CMD_FUN_*) 及其参数值 (CMD_ARG_*)。
#pragma once

#include <tchar.h>

#define CMD_NAME_MAX_LEN                64

// ---- 行情 quote views ----
#define CMD_FUN_QUOTE_LIST              _T("QuoteList")
#define CMD_FUN_QUOTE_DETAIL            _T("QuoteDetail")
#define CMD_FUN_MINUTE_CHART            _T("MinuteChart")
#define CMD_FUN_KLINE_CHART             _T("KLineChart")
#define CMD_FUN_TICK_DETAIL             _T("TickDetail")
#define CMD_FUN_MULTI_STOCK             _T("MultiStock")
#define CMD_FUN_BLOCK_INDEX             _T("BlockIndex")
#define CMD_FUN_INDICATOR_LIST          _T("IndicatorList")
#define CMD_FUN_DRAW_TOOLS              _T("DrawTools")

// ---- 自选股 self-selected stocks ----
#define CMD_FUN_SELF_STOCK              _T("SelfStock")
#define CMD_FUN_SELF_STOCK_ADD          _T("SelfStockAdd")
#define CMD_FUN_SELF_STOCK_DEL          _T("SelfStockDel")
#define CMD_FUN_SELF_STOCK_SORT         _T("SelfStockSort") // 按涨幅排序

// ---- 资讯 information ----
#define CMD_FUN_F10_INFO                _T("F10Info")
#define CMD_FUN_NEWS_LIST               _T("NewsList")
#define CMD_FUN_NEWS_DETAIL             _T("NewsDetail")

// ---- 窗口 windows ----
#define CMD_FUN_ZOOM_IN                 _T("Zoom+")
#define CMD_FUN_ZOOM_OUT                _T("ZoomOut")
#define CMD_FUN_FULL_SCREEN             _T("FullScreen")   // 全屏切换
#define CMD_FUN_WINDOW_CASCADE          _T("WindowCascade")
#define CMD_FUN_WINDOW_TILE_HORZ        _T("WindowTileHorz")
#define CMD_FUN_WINDOW_TILE_VERT        _T("WindowTileVert")
#define CMD_FUN_WINDOW_CLOSE_ALL        _T("WindowCloseAll")
#define CMD_FUN_PRINT                   _T("Print")        /* 打印当前窗口 */

// ---- 系统 system ----
#define CMD_FUN_CONNECT_QUOTE_SERVER    _T("ConnectQuoteServer")
#define CMD_FUN_DISCONNECT_QUOTE_SERVER _T("DisconnectQuoteServer")
#define CMD_FUN_SYSTEM_SETTINGS         _T("SystemSettings")
#define CMD_FUN_CHECK_UPDATE            _T("CheckUpdate")
#define CMD_FUN_ABOUT                   _T("About")
#define CMD_FUN_EXIT                    _T("Exit")
#define CMD_FUN_SEARCH_STOCK            _T("Search Stock")

// ---- 参数值 argument values ----
#define CMD_ARG_MARKET_SHSZA            _T("SHSZA")
#define CMD_ARG_MARKET_HKCONNECT        _T("HKCONNECT")
#define CMD_ARG_PERIOD_DAY              _T("DAY")
#define CMD_ARG_PERIOD_WEEK             _T("WEEK")
#define CMD_ARG_PERIOD_MONTH            _T("MONTH")
#define CMD_ARG_NEWS_NOTICE             _T("NOTICE")
#define CMD_ARG_NEWS_REPORT             _T("REPORT")
#define CMD_ARG_REFRESH_FUND_LIST       _T("RefreshFundList")
#define CMD_ARG_TITLE_DEFAULT           _T("行情终端")

#ifdef _DEBUG
#define CMD_FUN_DEBUG_DUMP              _T("DebugDump")
#endif
