// LogicHandlerFun.h: functions of the logic handler and the names of their parameters.
// 逻辑处理函数及其参数名。
#ifndef LOGIC_HANDLER_FUN_H
#define LOGIC_HANDLER_FUN_H

// 打开视图 opening views
#define LOGIC_FUN_OPEN_QUOTE            _T("OpenQuote")
#define LOGIC_FUN_OPEN_MINUTE           _T("OpenMinute")
#define LOGIC_FUN_OPEN_KLINE            _T("OpenKLine")
#define LOGIC_FUN_OPEN_F10              _T("OpenF10")
#define LOGIC_FUN_OPEN_NEWS             _T("OpenNews")
#define LOGIC_FUN_OPEN_BLOCK            _T("OpenBlock")

// 工具 tools
#define LOGIC_FUN_ADD_ALERT             _T("AddAlert")
#define LOGIC_FUN_DEL_ALERT             _T("DelAlert")
#define LOGIC_FUN_CONDITION_SELECT      _T("ConditionSelect")
#define LOGIC_FUN_PATTERN_SELECT        _T("PatternSelect")
#define LOGIC_FUN_FORMULA_MANAGER       _T("FormulaManager")
#define LOGIC_FUN_EXPORT_DATA           _T("ExportData")
#define LOGIC_FUN_DOWNLOAD_DATA         _T("DownloadData")

// 交易 trading
#define LOGIC_FUN_PLACE_ORDER           _T("PlaceOrder")    // 委托下单
#define LOGIC_FUN_CANCEL_ORDER          _T("CancelOrder")
#define LOGIC_FUN_QUERY_POSITION        _T("QueryPosition")
#define LOGIC_FUN_QUERY_DEAL            _T("QueryDeal")

// 参数 parameters
#define LOGIC_PARAM_STOCK_CODE          _T("StockCode")
#define LOGIC_PARAM_MARKET              _T("Market")
#define LOGIC_PARAM_PERIOD              _T("Period")
#define LOGIC_PARAM_RIGHTS              _T("Rights")
#define LOGIC_PARAM_INDICATOR           _T("Indicator")
#define LOGIC_PARAM_PRICE               _T("Price")
#define LOGIC_PARAM_VOLUME              _T("Volume")
#define LOGIC_PARAM_DIRECTION           _T("Direction")
#define LOGIC_PARAM_COUNT               20

#endif  // LOGIC_HANDLER_FUN_H
