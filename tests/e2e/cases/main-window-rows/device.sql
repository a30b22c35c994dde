-- One row per call, newest first: a caller with several calls, a call
-- without a name, one with neither name nor number, a direction that is
-- neither missed nor incoming, and two calls a year apart at the same time.
INSERT INTO calllog (start_time, end_time, iom, number, name) VALUES
  (ft('2024-02-03 08:05:07'), ft('2024-02-03 08:06:12'), 1, '+4930123456', 'Anna Schmidt'),
  (ft('2023-02-03 08:05:07'), ft('2023-02-03 08:05:50'), 1, '+4930123456', 'Anna Schmidt'),
  (ft('2024-02-04 12:00:00'), ft('2024-02-04 12:00:00'), 0, '+4930999888', NULL),
  (ft('2024-02-05 17:30:00'), ft('2024-02-05 17:42:00'), 2, '+4930123456', 'Anna Schmidt'),
  (ft('2024-02-06 09:00:00'), ft('2024-02-06 09:01:00'), 7, NULL, NULL),
  (ft('2024-08-01 06:15:30'), ft('2024-08-01 06:20:00'), 2, '0170 555 123', 'Jürgen Weiß');
