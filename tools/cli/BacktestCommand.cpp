// backtest
